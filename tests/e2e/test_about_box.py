"""The about box asks the update server for news; tests point it at a server
of their own on 127.0.0.1 through "UpdateHost" of the program settings file."""
import socket
import threading
import time

import pytest

from conftest import write_ini_value

ABOUT_TITLE = "关于 Kelvarion"
ID_APP_ABOUT = 57664
NEWS_EDIT = 1000


class NewsServer:
    """An HTTP server on 127.0.0.1 in one of a few moods; remembers the request lines."""

    def __init__(self, mood, body=b""):
        self.mood, self.body = mood, body
        self.requests = []
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.listener.settimeout(0.2)
        self.port = self.listener.getsockname()[1]
        self.stopping = False
        self.held = []
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while not self.stopping:
            try:
                client, _ = self.listener.accept()
            except OSError:
                continue
            if self.mood == "silent":
                # Accepts, reads nothing, answers nothing, keeps the connection open.
                self.held.append(client)
                continue
            client.settimeout(5)
            head = b""
            while b"\r\n\r\n" not in head:
                chunk = client.recv(4096)
                if not chunk:
                    break
                head += chunk
            self.requests.append(head.split(b"\r\n", 1)[0].decode("latin-1"))
            status = "200 OK" if self.mood == "ok" else "404 Not Found"
            body = self.body if self.mood == "ok" else b"<html>no such page</html>"
            client.sendall(f"HTTP/1.1 {status}\r\nContent-Type: text/plain\r\nContent-Length: {len(body)}\r\n"
                           f"Connection: close\r\n\r\n".encode() + body)
            client.close()

    def close(self):
        self.stopping = True
        self.thread.join(timeout=5)
        for c in self.held:
            c.close()
        self.listener.close()


def closed_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def open_about_box(program, host, timeout=30):
    write_ini_value(program.folder / "Kelvarion.ini", "Setup", "UpdateHost", host)
    program.start()
    main = program.main_window()
    program.sync(main)
    started = time.monotonic()
    program.command(main, ID_APP_ABOUT)
    box = program.wait_window(title=ABOUT_TITLE, timeout=timeout)
    # The news is in place before the box is shown.
    news = program.window_text(program.find_child(box, cls="Edit", timeout=5))
    return box, news, time.monotonic() - started


def close_box(program, box):
    program.command(box, 1)
    assert program.wait_gone(box), "the about box did not close on 确定"


def test_news_of_two_lines_is_shown_with_an_empty_line_after_them(program):
    server = NewsServer("ok", "第一行 news\r\nsecond line\n".encode("gbk"))
    try:
        box, news, _ = open_about_box(program, f"127.0.0.1:{server.port}")
        program.screenshot("about-box")
        assert news == "第一行 news\r\nsecond line\r\n\r\n"
        assert server.requests == ["GET /kelvarion/kelvarion.asp?exe=KELVARION&ver=1.20&ask=wnew HTTP/1.1"]
        maker = program.find_child(box, cls="Static", text="Kelvarion 开发组  support@kelvarion.example")
        assert maker, "the maker's line is missing"
        close_box(program, box)
    finally:
        server.close()


@pytest.mark.parametrize("case", ["not found", "closed port", "never answers"])
def test_a_server_that_gives_no_news(program, case):
    server = None
    if case == "not found":
        server = NewsServer("missing")
        host = f"127.0.0.1:{server.port}"
    elif case == "never answers":
        server = NewsServer("silent")
        host = f"127.0.0.1:{server.port}"
    else:
        host = f"127.0.0.1:{closed_port()}"
    try:
        box, news, seconds = open_about_box(program, host)
        if case == "not found":
            assert news == "", "a 404 must leave the box empty"
            assert server.requests, "the server was never asked"
        else:
            assert news == f"不能连接到{host}以取得更新信息"
        if case == "never answers":
            program.screenshot("about-box-unreachable")
            # A few seconds of waiting, not the system's minute or more.
            assert seconds < 15, f"the box took {seconds:.1f}s to give up"
        close_box(program, box)
    finally:
        if server:
            server.close()
