#!/usr/bin/env bash
# Re-creates the example torrents in examples/ with mktorrent (and a v2-only one with libtorrent), and
# their info-hashes as a real client library (libtorrent) computes them: examples/SHA1SUMS for the v1
# torrents, examples/KEYS (lookup key, v2 info-hash, file) for the v2-only one. The content is made up
# and seeded.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
/usr/bin/python3 - <<'PY'
import os, random
r = random.Random(2026)
os.makedirs('content/album', exist_ok=True)
open('content/ubuntu-notes.txt', 'wb').write(bytes(r.getrandbits(8) for _ in range(300000)))
for i, n in enumerate(['01 intro.flac', '02 théme.flac', '03 終わり.flac']):
    open('content/album/' + n, 'wb').write(bytes(r.getrandbits(8) for _ in range(120000 + i * 5000)))
PY
out=$here/examples
mktorrent -d -l 16 -a http://tracker.example.invalid/announce -o "$out/single-file.torrent" content/ubuntu-notes.txt >/dev/null
mktorrent -d -l 15 -c "Field recordings" -a http://tracker.example.invalid/announce \
  -o "$out/アルバム-альбом.torrent" content/album >/dev/null
/usr/bin/python3 - "$out" <<'PY'
import sys, libtorrent as lt
out = sys.argv[1]
raw = open(out + '/single-file.torrent', 'rb').read()
# The same torrent with a decoy put first: a list holding "info" and a fake dictionary. A client opens
# the real info dictionary, so the info-hash must not change.
open(out + '/decoy-in-list.torrent', 'wb').write(b'd8:a-decoysl4:infod4:name4:fakeee' + raw[1:])
with open(out + '/SHA1SUMS', 'w') as sums:
    for n in ['single-file.torrent', 'アルバム-альбом.torrent', 'decoy-in-list.torrent']:
        sums.write('%s  %s\n' % (lt.torrent_info(out + '/' + n).info_hash(), n))
# A torrent without v1 pieces, as today's clients can make: no SHA-1 info-hash, looked up by its v2
# (SHA-256) info-hash cut to 40 hex digits. No creation date, so that it comes out the same each time.
fs = lt.file_storage()
lt.add_files(fs, 'content/ubuntu-notes.txt')
t = lt.create_torrent(fs, 16384, flags=lt.create_torrent.v2_only)
t.add_tracker('http://tracker.example.invalid/announce')
lt.set_piece_hashes(t, 'content')
meta = t.generate()
meta.pop(b'creation date', None)
open(out + '/v2-only.torrent', 'wb').write(lt.bencode(meta))
hashes = lt.torrent_info(out + '/v2-only.torrent').info_hashes()
assert not hashes.has_v1()
with open(out + '/KEYS', 'w') as keys:
    keys.write('%s  %s  v2-only.torrent\n' % (str(hashes.v2)[:40], hashes.v2))
PY
printf '2024 report\n' > "$out/not-a-torrent.torrent"
