#!/usr/bin/env python3
"""A TCP relay for benchmarks that delays each direction of a connection, as a network link
does: the connect reaches the target, and every block of bytes the other end, a random
MEAN +- JITTER milliseconds later (uniform).

    delay_relay.py LISTEN_HOST LISTEN_PORT TARGET_HOST TARGET_PORT [MEAN_MS [JITTER_MS]]

With LISTEN_PORT 0 a free port is taken. The port is printed on stdout once it listens;
the relay runs until it is killed."""
import random
import socket
import sys
import threading
import time


def main():
    listen_host, listen_port, target_host, target_port = sys.argv[1:5]
    mean = float(sys.argv[5]) if len(sys.argv) > 5 else 50.0
    jitter = float(sys.argv[6]) if len(sys.argv) > 6 else 10.0

    def delay():
        time.sleep(random.uniform(mean - jitter, mean + jitter) / 1000.0)

    def pump(src, dst):
        try:
            while True:
                data = src.recv(4096)
                if not data:
                    break
                delay()
                dst.sendall(data)
        except OSError:
            pass
        delay()
        try:
            dst.shutdown(socket.SHUT_WR)
        except OSError:
            pass

    def relay(client):
        delay()  # the connect travels to the target
        try:
            server = socket.create_connection((target_host, int(target_port)), timeout=10)
        except OSError:
            client.close()
            return
        server.settimeout(None)
        back = threading.Thread(target=pump, args=(server, client), daemon=True)
        back.start()
        pump(client, server)
        back.join()
        client.close()
        server.close()

    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((listen_host, int(listen_port)))
    listener.listen(64)
    print(listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=relay, args=(client,), daemon=True).start()


if __name__ == "__main__":
    main()
