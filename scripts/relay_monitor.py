#!/usr/bin/python3
"""The far end of the demo's relay line: prints each door byte that arrives.

    relay_monitor.py PEER_TTY

Each byte 1 to 8 is a door command ("door 3 opened"); anything else is shown as it came.
"""
import errno
import os
import sys
import time


def main():
    fd = os.open(sys.argv[1], os.O_RDONLY | os.O_NOCTTY)
    while True:
        try:
            data = os.read(fd, 64)
        except OSError as error:
            # The line's far end is gone (socat ended with the demo): nothing more can come.
            if error.errno == errno.EIO:
                return
            raise
        if not data:
            time.sleep(0.05)
            continue
        for byte in data:
            stamp = time.strftime("%H:%M:%S")
            if 1 <= byte <= 8:
                print(f"{stamp} door {byte} opened", flush=True)
            else:
                print(f"{stamp} unexpected byte 0x{byte:02x}", flush=True)


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        pass
