#!/usr/bin/env python3
"""Counts the bytes X clients send to the X server.

Listens as display :PROXY and forwards every connection to display :SERVER
(both local Unix sockets), counting client-to-server bytes; prints the total
and the rate when the command given after "--" exits. Used for the editor's
figures:  x11-traffic.py 78 77 -- korvala-host edit BraskoKorvala.so --quit-after 20
"""
import os
import selectors
import socket
import subprocess
import sys
import threading
import time


def pump(client, server, counter, lock):
    sel = selectors.DefaultSelector()
    sel.register(client, selectors.EVENT_READ, server)
    sel.register(server, selectors.EVENT_READ, client)
    try:
        while True:
            for key, _ in sel.select():
                data = key.fileobj.recv(65536)
                if not data:
                    return
                key.data.sendall(data)
                if key.fileobj is client:
                    with lock:
                        counter[0] += len(data)
    except OSError:
        pass
    finally:
        client.close()
        server.close()


def main():
    if len(sys.argv) < 5 or sys.argv[3] != "--":
        sys.exit(__doc__)
    proxy, target, command = sys.argv[1], sys.argv[2], sys.argv[4:]
    path = "/tmp/.X11-unix/X" + proxy
    if os.path.exists(path):
        os.unlink(path)
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    listener.bind(path)
    listener.listen(8)
    counter, lock = [0], threading.Lock()

    def accept():
        while True:
            try:
                client, _ = listener.accept()
            except OSError:
                return
            server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            server.connect("/tmp/.X11-unix/X" + target)
            threading.Thread(target=pump, args=(client, server, counter, lock), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    start = time.monotonic()
    env = dict(os.environ, DISPLAY=":" + proxy)
    status = subprocess.call(command, env=env)
    seconds = time.monotonic() - start
    listener.close()
    os.unlink(path)
    with lock:
        total = counter[0]
    print("x11-traffic: %d bytes to the server in %.1f s: %.0f bytes per second"
          % (total, seconds, total / seconds))
    sys.exit(status)


if __name__ == "__main__":
    main()
