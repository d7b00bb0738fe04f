#!/usr/bin/python3
"""A small DNS server for the NetDiag tests (loopback only, UDP and TCP port 53).

It answers with authority:
  ANY corp.test       three MX records (preferences 20, 10, 10) with addresses
                      in the additional section, one of them the SMTP test server
  ANY mx.cname.test   CNAME to corp.test (the mail-exchanger walk follows it)
  ANY smtp.test       two MX records (preferences 20, 10) naming the SMTP test
                      servers by dotted address (Wine resolves no test names)
  any tcp-only.test   over UDP an empty answer with the truncation bit set; over
                      TCP an A record 10.53.0.99
Everything else: an authoritative answer without records.
"""
import socket
import socketserver
import struct
import sys
import threading


def encode(name):
    return b"".join(bytes([len(p)]) + p.encode() for p in name.split(".") if p) + b"\0"


def record(owner, rtype, data):
    return encode(owner) + struct.pack(">HHIH", rtype, 1, 60, len(data)) + data


def a(owner, dotted):
    return record(owner, 1, socket.inet_aton(dotted))


def answer(query, tcp):
    if len(query) < 12:
        return None
    end = 12
    labels = []
    while end < len(query) and query[end] != 0:
        labels.append(query[end + 1 : end + 1 + query[end]].decode("latin-1"))
        end += 1 + query[end]
    question = query[12 : end + 5]
    name = ".".join(labels).lower()
    answers, additional, flags = [], [], 0x8580
    if name == "corp.test":
        for pref, host in ((20, "mx3.corp.test"), (10, "mx1.corp.test"), (10, "mx2.corp.test")):
            answers.append(record("corp.test", 15, struct.pack(">H", pref) + encode(host)))
        additional = [a("mx1.corp.test", "127.0.0.1"), a("mx2.corp.test", "10.53.0.21"), a("mx3.corp.test", "10.53.0.22")]
    elif name == "smtp.test":
        for pref, host in ((20, "127.0.25.2"), (10, "127.0.25.1")):
            answers.append(record("smtp.test", 15, struct.pack(">H", pref) + encode(host)))
    elif name == "mx.cname.test":
        answers.append(record("mx.cname.test", 5, encode("corp.test")))
    elif name == "tcp-only.test":
        if tcp:
            answers.append(a("tcp-only.test", "10.53.0.99"))
        else:
            flags |= 0x0200
    header = query[:2] + struct.pack(">HHHHH", flags, 1, len(answers), 0, len(additional))
    return header + question + b"".join(answers) + b"".join(additional)


class Udp(socketserver.BaseRequestHandler):
    def handle(self):
        data, sock = self.request
        reply = answer(data, False)
        if reply:
            sock.sendto(reply, self.client_address)


class Tcp(socketserver.BaseRequestHandler):
    def handle(self):
        self.request.settimeout(5)
        head = self.request.recv(2)
        if len(head) < 2:
            return
        length = struct.unpack(">H", head)[0]
        data = b""
        while len(data) < length:
            chunk = self.request.recv(length - len(data))
            if not chunk:
                return
            data += chunk
        reply = answer(data, True)
        if reply:
            self.request.sendall(struct.pack(">H", len(reply)) + reply)


def main():
    address = sys.argv[1]
    socketserver.ThreadingUDPServer.allow_reuse_address = True
    socketserver.ThreadingTCPServer.allow_reuse_address = True
    udp = socketserver.ThreadingUDPServer((address, 53), Udp)
    tcp = socketserver.ThreadingTCPServer((address, 53), Tcp)
    threading.Thread(target=udp.serve_forever, daemon=True).start()
    print("listening", flush=True)
    tcp.serve_forever()


if __name__ == "__main__":
    main()
