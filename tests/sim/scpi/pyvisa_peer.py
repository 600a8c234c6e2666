#!/usr/bin/env python3
"""An independent VISA client queries the simulated analyser: Debian's pyvisa with its pure-Python
back end opens the simulator's SOCKET resource on loopback and asks "*IDN?". It fails (never skips)
when pyvisa or its back end is missing."""
import subprocess
import sys

IDENTITY = "Rohde&Schwarz,FSV-7,101234/007,2.30"


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
        instrument.close()
        manager.close()
        log = control("LOG\tpeer").split("\t")[1:]
        if reply != IDENTITY or log != ["*IDN?"]:
            print(f"FAILED: reply {reply!r}, commands {log!r}")
            return 1
        print(f"pyvisa {pyvisa.__version__} read {reply!r} from {name}")
        return 0
    finally:
        simulator.kill()
        simulator.wait()


if __name__ == "__main__":
    sys.exit(main())
