#!/usr/bin/python3
"""Mail servers for the SMTP plug-in tests: loopback only, port 25, one
behaviour per address (asyncio of Debian's python3, nothing else).

  127.0.25.1  extended: EHLO answered with four lines
  127.0.25.2  extended, EHLO answered with one line
  127.0.25.3  plain: EHLO refused with 500
  127.0.25.4  never answers QUIT: closes the connection instead
  127.0.25.5  closes the connection right after its greeting
  127.0.25.6  splits its answers across several writes with pauses
  127.0.25.7  answers longer than a receive buffer (20 000 bytes)
  127.0.25.8  silent: greets nobody and waits for the client to give up
  127.0.25.9  stops half-way through its EHLO answer, answers QUIT later
  127.0.25.10 takes every second connection and closes it unanswered
Prints "listening" once every server is up.
"""
import asyncio
import sys

LONG_LINE = "x" * 94  # with "250-" and CR LF: 100 bytes a line


def lines(code, texts):
    """A multi-line answer: every line but the last has a hyphen after the code."""
    out = [f"{code}-{t}\r\n" for t in texts[:-1]]
    return "".join(out) + f"{code} {texts[-1]}\r\n"


EXTENDED = lines(250, ["esmtp.test greets test", "SIZE 10240000", "8BITMIME", "HELP"])


class Server:
    def __init__(self, name, ehlo=EXTENDED, greeting=None):
        self.name = name
        self.greeting = greeting or f"220 {name} ESMTP ready\r\n"
        self.ehlo = ehlo
        self.connections = 0

    async def write(self, writer, text):
        writer.write(text.encode("latin-1"))
        await writer.drain()

    async def greet(self, writer):
        await self.write(writer, self.greeting)

    async def answer(self, writer, command):
        verb = command.split(" ")[0].upper()
        if verb == "HELO":
            await self.write(writer, f"250 {self.name}\r\n")
        elif verb == "EHLO":
            await self.write(writer, self.ehlo)
        elif verb == "QUIT":
            await self.write(writer, "221 2.0.0 Bye\r\n")
            return False
        else:
            await self.write(writer, "502 5.5.2 Error: command not recognized\r\n")
        return True

    async def serve(self, reader, writer):
        self.connections += 1
        try:
            await self.greet(writer)
            while True:
                line = await asyncio.wait_for(reader.readline(), 10)
                if not line:
                    break
                if not await self.answer(writer, line.decode("latin-1").strip()):
                    break
        except (asyncio.TimeoutError, ConnectionError):
            pass
        finally:
            writer.close()


class NoQuit(Server):
    async def answer(self, writer, command):
        if command.upper().startswith("QUIT"):
            return False  # close without a word
        return await super().answer(writer, command)


class Closer(Server):
    async def serve(self, reader, writer):
        await self.greet(writer)
        writer.close()


class Splitter(Server):
    async def write(self, writer, text):
        # Every answer in pieces of at most 7 bytes, 30 ms apart.
        for at in range(0, len(text), 7):
            writer.write(text[at : at + 7].encode("latin-1"))
            await writer.drain()
            await asyncio.sleep(0.03)


class Silent(Server):
    async def serve(self, reader, writer):
        try:
            await asyncio.wait_for(reader.read(), 10)
        except asyncio.TimeoutError:
            pass
        writer.close()


class Staller(Server):
    async def answer(self, writer, command):
        if command.upper().startswith("EHLO"):
            await self.write(writer, "250-stall.test greets test\r\n250-SIZE 1000\r\n")
            return True  # the last line never comes
        return await super().answer(writer, command)


class EveryOther(Server):
    async def serve(self, reader, writer):
        if self.connections % 2 == 1:
            self.connections += 1
            writer.close()
            return
        await super().serve(reader, writer)


def servers():
    long_greeting = lines(220, [LONG_LINE] * 199 + ["long.test ready"])
    long_ehlo = lines(250, ["long.test greets test"] + [LONG_LINE] * 199 + ["HELP"])
    return {
        "127.0.25.1": Server("esmtp.test"),
        "127.0.25.2": Server("oneline.test", ehlo="250 oneline.test greets test\r\n"),
        "127.0.25.3": Server("plain.test", ehlo="500 5.5.1 Command unrecognized: EHLO\r\n"),
        "127.0.25.4": NoQuit("noquit.test"),
        "127.0.25.5": Closer("closer.test"),
        "127.0.25.6": Splitter("split.test", greeting=lines(220, ["split.test first line", "split.test ready"])),
        "127.0.25.7": Server("long.test", ehlo=long_ehlo, greeting=long_greeting),
        "127.0.25.8": Silent("silent.test"),
        "127.0.25.9": Staller("stall.test"),
        "127.0.25.10": EveryOther("everyother.test"),
    }


async def main():
    started = []
    for address, server in servers().items():
        started.append(await asyncio.start_server(server.serve, address, 25, reuse_address=True))
    print("listening", flush=True)
    await asyncio.gather(*(s.serve_forever() for s in started))


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
