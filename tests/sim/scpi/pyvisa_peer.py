#!/usr/bin/env python3
"""An independent VISA client queries the simulated analyser: Debian's pyvisa with its pure-Python
back end opens the simulator's SOCKET resource on loopback, asks "*IDN?" and reads an ASCII trace
and a little-endian REAL,32 block as the drivers are meant to. It fails (never skips) when pyvisa or
its back end is missing."""
import struct
import subprocess
import sys

IDENTITY = "Rohde&Schwarz,FSV-7,101234/007,2.30"
TRACE = [-20.5, 1.25, -107.0, 10.0]


def escape(data: bytes) -> str:
    """A control-line field: backslash, tab, line feed and carriage return escaped as in C, and every
    other byte below 0x20 or from 0x7F as a backslash, 'x' and two hex digits."""
    out = []
    for byte in data:
        if byte == 0x5C:
            out.append("\\\\")
        elif byte == 0x09:
            out.append("\\t")
        elif byte == 0x0A:
            out.append("\\n")
        elif byte == 0x0D:
            out.append("\\r")
        elif byte < 0x20 or byte >= 0x7F:
            out.append(f"\\x{byte:02X}")
        else:
            out.append(chr(byte))
    return "".join(out)


def main() -> int:
    import pyvisa  # a missing package fails the test

    simulator = subprocess.Popen([sys.argv[1]], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    try:
        def control(line: str) -> str:
            simulator.stdin.write(line + "\n")
            simulator.stdin.flush()
            answer = simulator.stdout.readline().rstrip("\n")
            if not answer.startswith("OK"):
                raise RuntimeError(f"simulator refused {line!r}: {answer!r}")
            return answer

        port = int(control("ADD\tpeer").split("\t")[1])
        control(f"IDN\tpeer\t{IDENTITY}")
        manager = pyvisa.ResourceManager("@py")
        name = f"TCPIP0::127.0.0.1::{port}::SOCKET"
        instrument = manager.open_resource(name, read_termination="\n", write_termination="\n", timeout=5000)
        reply = instrument.query("*IDN?")
        control("REPLY\tpeer\t:TRAC?;\t" + escape(b"-2.05E+01,1.25,-1.07E+02,+10\n"))
        ascii_trace = instrument.query_ascii_values(":TRAC?;")
        data = b"".join(struct.pack("<f", value) for value in TRACE)
        block = b"#2" + str(len(data)).encode() + data + b"\n"
        control("REPLY\tpeer\tTRAC:DATA?\t" + escape(block))
        block_trace = instrument.query_binary_values("TRAC:DATA?", datatype="f", is_big_endian=False)
        instrument.close()
        manager.close()
        log = control("LOG\tpeer").split("\t")[1:]
        if reply != IDENTITY or log != ["*IDN?", ":TRAC?;", "TRAC:DATA?"]:
            print(f"FAILED: reply {reply!r}, commands {log!r}")
            return 1
        if list(ascii_trace) != TRACE or list(block_trace) != TRACE:
            print(f"FAILED: ASCII {ascii_trace!r}, block {block_trace!r}")
            return 1
        print(f"pyvisa {pyvisa.__version__} read {reply!r} from {name}")
        return 0
    finally:
        simulator.kill()
        simulator.wait()


if __name__ == "__main__":
    sys.exit(main())
