#!/usr/bin/env python3
"""Web servers of office devices on port 80 of loopback addresses, for the
DeviceProbe tests.

    device-web.py READY_FILE ADDRESS=BEHAVIOUR ...

Each answers a request for /Netfile/sysinfo.xml by its behaviour:
  normal  a 200 answer whose body (sysinfo.xml, about 20 kB) arrives in several
          sends, so it spans receive chunks
  split   the same, but the header's closing blank line is cut in two: the first
          send ends in "\\r\\n\\r", the next one starts with "\\n"
  nobody  a header and no body
  silent  reads the request and never answers (until the client gives up)
READY_FILE is created once every address listens.
"""
import socket
import sys
import threading
import time


def body(address):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<sysinfo device="%s">' % address]
    lines += ['  <entry index="%d">%s</entry>' % (i, "x" * 40) for i in range(300)]
    lines.append("</sysinfo>")
    return ("\r\n".join(lines) + "\r\n").encode()


def header(length):
    return ("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n"
            "Connection: close\r\n" % length).encode()


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(4096)
        if not chunk:
            break
        data += chunk
    return data


def serve(conn, address, behaviour):
    with conn:
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        read_request(conn)
        content = body(address)
        if behaviour == "silent":
            conn.settimeout(60)
            try:
                while conn.recv(4096):
                    pass
            except OSError:
                pass
            return
        if behaviour == "nobody":
            conn.sendall(b"HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n")
            return
        if behaviour == "split":
            conn.sendall(header(len(content)) + b"\r")
            time.sleep(0.2)
            conn.sendall(b"\n" + content[:100])
        else:
            conn.sendall(header(len(content)) + b"\r\n" + content[:100])
        rest = content[100:]
        for start in range(0, len(rest), 5000):
            time.sleep(0.05)
            conn.sendall(rest[start:start + 5000])


def listen(address, behaviour):
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    server.bind((address, 80))
    server.listen(8)

    def accept_loop():
        while True:
            conn, _ = server.accept()
            threading.Thread(target=serve, args=(conn, address, behaviour), daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()


def main():
    ready = sys.argv[1]
    for spec in sys.argv[2:]:
        address, behaviour = spec.split("=")
        listen(address, behaviour)
    open(ready, "w").close()
    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
