#!/usr/bin/env python3
"""An independent VISA client drives the simulated analyser's X-series and R&S command sets: Debian's
pyvisa with its pure-Python back end opens the simulator's SOCKET resources on loopback and talks to
them as to an instrument, with nothing scripted but the identity and the time an operation takes:
settings in long and short forms, with and without units, read back in Hz; compound queries answered
on one line; one reply per "*OPC?", given when the operation is done; an error queue of at most ten
entries ending in -350; ASCII and REAL,32 traces in the maker's byte order, which "*RST" restores.
It fails (never skips) when pyvisa or its back end is missing."""
import subprocess
import sys

SETS = {
    "xseries": "Keysight Technologies,N9020B,MY55150123,A.14.16",
    "rs": "Rohde&Schwarz,FSV-7,101234/007,2.30",
}
# The simulated trace: a ramp from -80 dB in steps of 0.01 dB.
POINTS = 11
TRACE = [-80.0 + 0.01 * i for i in range(POINTS)]

failures = []


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}: got {got!r}, expected {expected!r}")


def close_to(values, expected):
    return len(values) == len(expected) and all(abs(a - b) < 1e-4 for a, b in zip(values, expected))


def drive(manager, name, command_set, maker_swaps):
    instrument = manager.open_resource(name, read_termination="\n", write_termination="\n", timeout=5000)
    try:
        # Long and short forms, any case, optional SENSe, units or none: all read back in Hz.
        for command, hz in [
            ("FREQ:CENT 1 GHz", 1.0e9),
            (":SENSe:FREQuency:CENTer 1.5GHZ", 1.5e9),
            ("freq:cent 250e6", 2.5e8),
            (":FREQuency:SPAN 30 KHZ", 3.0e4),
        ]:
            instrument.write(command)
            query = ":SENS:FREQ:CENT?" if "CENT" in command.upper() else "FREQ:SPAN?"
            check(f"{name} {command}", float(instrument.query(query)), hz)
        instrument.write("BAND 100 kHz")
        check(f"{name} BAND 100 kHz", float(instrument.query(":SENSe:BANDwidth:RESolution?")), 1.0e5)
        instrument.write("SWE:POIN %d" % POINTS)
        check(f"{name} SWE:POIN?", int(instrument.query("SWE:POIN?")), POINTS)
        check(f"{name} no error yet", instrument.query("SYST:ERR?"), '0,"No error"')

        # A compound query: one message, the answers joined by ';'.
        both = instrument.query("FREQ:CENT?;:SWEep:POINts?").split(";")
        check(f"{name} compound query", (float(both[0]), int(both[1])), (2.5e8, POINTS))

        # One "*OPC?", one "1": nothing is left to answer the next query.
        check(f"{name} *OPC?", instrument.query("*OPC?"), "1")
        check(f"{name} after *OPC?", instrument.query("*IDN?"), SETS[command_set])

        # An unknown unit and unknown headers: errors, at most ten of them, the last -350.
        instrument.write("FREQ:CENT 1 PARSEC")
        check(f"{name} unknown unit", instrument.query("SYST:ERR?"), '-131,"Invalid suffix"')
        for _ in range(12):
            instrument.write("NO:SUCH:HEADER")
        errors = [instrument.query("SYST:ERR?") for _ in range(11)]
        check(f"{name} error queue", errors,
              ['-113,"Undefined header"'] * 9 + ['-350,"Queue overflow"', '0,"No error"'])

        # Traces: ASCII, then REAL,32 in the maker's byte order after "*RST".
        instrument.write("*RST")
        instrument.write("SWE:POIN %d" % POINTS)
        ascii_trace = instrument.query_ascii_values("TRAC:DATA? TRACE1")
        check(f"{name} ASCII trace", close_to(ascii_trace, TRACE), True)
        instrument.write("FORM:DATA REAL,32")
        block = instrument.query_binary_values("TRAC:DATA? TRACE1", datatype="f", is_big_endian=not maker_swaps)
        check(f"{name} REAL,32 trace", close_to(list(block), TRACE), True)
        instrument.write("FORM:BORD " + ("NORM" if maker_swaps else "SWAP"))
        block = instrument.query_binary_values("TRAC:DATA? TRACE1", datatype="f", is_big_endian=maker_swaps)
        check(f"{name} swapped REAL,32 trace", close_to(list(block), TRACE), True)
        instrument.write("*RST")
        check(f"{name} *RST back to ASCII", instrument.query("TRAC:DATA? TRACE1").count(","), POINTS - 1)
    finally:
        instrument.close()


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

        manager = pyvisa.ResourceManager("@py")
        for command_set, identity in SETS.items():
            resource = "peer-" + command_set
            port = int(control(f"ADD\t{resource}").split("\t")[1])
            control(f"IDN\t{resource}\t{identity}")
            control(f"COMMANDSET\t{resource}\t{command_set}")
            name = f"TCPIP0::127.0.0.1::{port}::SOCKET"
            drive(manager, name, command_set, maker_swaps=command_set != "xseries")
        manager.close()
        if failures:
            for failure in failures:
                print("FAILED:", failure)
            return 1
        print(f"pyvisa {pyvisa.__version__} drove the X-series and R&S command sets")
        return 0
    finally:
        simulator.kill()
        simulator.wait()


if __name__ == "__main__":
    sys.exit(main())
