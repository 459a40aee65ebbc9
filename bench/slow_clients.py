#!/usr/bin/env python3
"""Opens 1,000 connections to a server, half of them idle and half with half a request sent, and while
they are open times 200 single lookups, each on a fresh connection with Connection: close. Prints one
line: p50, p99 and max in ms, and how many lookups failed.
  slow_clients.py URL [CONNECTIONS]
"""
import socket, sys, time, urllib.parse

url = urllib.parse.urlsplit(sys.argv[1])
count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
address = (url.hostname, url.port)
target = url.path + ("?" + url.query if url.query else "")

held = []
for i in range(count):
    s = socket.create_connection(address, timeout=5)
    if i % 2:
        s.sendall(f"GET {target} HTTP/1.1\r\nHost: {url.hostname}\r\nX-Slow: ".encode())
    held.append(s)
time.sleep(0.5)

times, failures = [], 0
request = f"GET {target} HTTP/1.1\r\nHost: {url.hostname}\r\nConnection: close\r\n\r\n".encode()
for _ in range(200):
    start = time.perf_counter()
    try:
        with socket.create_connection(address, timeout=5) as s:
            s.sendall(request)
            reply = b""
            while chunk := s.recv(4096):
                reply += chunk
        if not reply.startswith(b"HTTP/1.1 200"):
            failures += 1
    except OSError:
        failures += 1
    times.append((time.perf_counter() - start) * 1000)
    time.sleep(0.005)
open_still = 0
for s in held:
    s.setblocking(False)
    try:
        open_still += s.recv(1) == b"" and 0 or 1
    except BlockingIOError:
        open_still += 1
    except OSError:
        pass
    s.close()
times.sort()
print(f"{count} slow connections ({open_still} still open at the end): lookup p50 {times[len(times) // 2]:.2f} ms, "
      f"p99 {times[int(len(times) * 0.99)]:.2f} ms, max {times[-1]:.2f} ms, {failures} failed")
