#!/usr/bin/python3
"""Makes v1, v2-only and hybrid torrents with libtorrent, plus copies with decoy "info" and "meta version"
keys, in DIR; prints one line per torrent: its path, then libtorrent's v1 and v2 info-hashes (or "none")."""
import os
import random
import sys

import libtorrent as lt

root = sys.argv[1]
rng = random.Random(1206)
for name, size in [("single.bin", 100_000), ("folder/a.bin", 40_000), ("folder/b é/02 終わり.bin", 70_001)]:
    os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
    with open(os.path.join(root, name), "wb") as f:
        f.write(rng.randbytes(size))

made = []
for content in ("single.bin", "folder"):
    for kind, flags in (("v1", lt.create_torrent.v1_only), ("v2", lt.create_torrent.v2_only), ("hybrid", 0)):
        fs = lt.file_storage()
        lt.add_files(fs, os.path.join(root, content))
        t = lt.create_torrent(fs, 16384, flags=flags)
        lt.set_piece_hashes(t, root)
        made.append((f"{kind}-{content.split('.')[0]}", lt.bencode(t.generate())))

raw = dict(made)
# "meta version" outside the info dictionary, and one whose value is a string: neither makes a v2 torrent.
made.append(("outside", raw["v1-single"].replace(b"4:info", b"12:meta versioni2e4:info", 1)))
made.append(("string", raw["v1-single"].replace(b"4:infod", b"4:infod12:meta version1:2", 1)))
# "info" in a list and in a nested dictionary before the real key; and inside the real info dictionary,
# which changes the hash for the client too.
fake = b"d4:name4:fake6:lengthi1ee"
made.append(("decoyed", b"d8:a-decoysl4:info" + fake + b"e7:a-outerd4:info" + fake + b"e" + raw["hybrid-folder"][1:]))
made.append(("inner", raw["v1-folder"].replace(b"4:infod", b"4:infod4:info" + fake, 1)))

for name, data in made:
    path = os.path.join(root, name + ".torrent")
    with open(path, "wb") as f:
        f.write(data)
    hashes = lt.torrent_info(path).info_hashes()
    print(path, str(hashes.v1) if hashes.has_v1() else "none", str(hashes.v2) if hashes.has_v2() else "none")
