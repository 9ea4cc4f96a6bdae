"""The sealed test network of the online scenarios. The tier runs in a network namespace of its own with
only loopback (scripts/sealed); here the product's own host names are pointed at 127.0.0.1 through a
bind-mounted hosts file, a test authority made with OpenSSL is appended to a bind-mounted copy of the
trust store, and local servers answer for the product's sites. Nothing changes on the machine itself.
"""

import atexit
import os
import shutil
import socket
import ssl
import subprocess
import tempfile
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

# The names the product uses, all served by the same local servers.
PRODUCT_NAMES = ("dl.zarn.example", "geo.zarn.example", "www.zarn.example", "test.zarn.example",
                 "metrics.mendara.example")
TRUST_STORE = "/etc/ssl/certs/ca-certificates.crt"


def sealed():
    return os.environ.get("ZARN_SEALED") == "1"


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class Authority:
    """A test certificate authority and one server certificate for every product name, trusted inside the
    sealed network for as long as the tier runs."""

    directory = None

    @classmethod
    def files(cls):
        if cls.directory is None:
            cls.directory = tempfile.mkdtemp(prefix="zarn-authority-")
            atexit.register(cls.remove)
            d = cls.directory
            run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", d + "/ca.key", "-out",
                d + "/ca.pem", "-days", "2", "-subj", "/CN=Zarn Test Authority")
            run("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", d + "/server.key", "-out",
                d + "/server.csr", "-subj", "/CN=" + PRODUCT_NAMES[0],
                "-addext", "subjectAltName=" + ",".join("DNS:" + n for n in PRODUCT_NAMES),
                "-addext", "basicConstraints=CA:FALSE", "-addext", "extendedKeyUsage=serverAuth")
            run("openssl", "x509", "-req", "-in", d + "/server.csr", "-CA", d + "/ca.pem", "-CAkey", d + "/ca.key",
                "-CAcreateserial", "-out", d + "/server.pem", "-days", "2", "-copy_extensions", "copyall")
            Path(d + "/trust.crt").write_bytes(Path(TRUST_STORE).read_bytes() + b"\n" + Path(d + "/ca.pem").read_bytes())
            run("mount", "--bind", d + "/trust.crt", TRUST_STORE)
        return cls.directory + "/server.pem", cls.directory + "/server.key"

    @classmethod
    def remove(cls):
        subprocess.run(["umount", TRUST_STORE], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(cls.directory, ignore_errors=True)


class Names:
    """The hosts file and the resolver the installer meets: with `resolve`, the product's names are this
    machine; with `black_hole`, the only name server takes every question and answers none."""

    def __init__(self, resolve=True, black_hole=False):
        self.resolve = resolve
        self.black_hole = black_hole

    def __enter__(self):
        self.directory = tempfile.mkdtemp(prefix="zarn-names-")
        hosts = "127.0.0.1 localhost\n127.0.1.1 %s\n" % socket.gethostname()
        if self.resolve:
            hosts += "".join("127.0.0.1 %s\n" % n for n in PRODUCT_NAMES)
        self.mounted = [self._mount("hosts", hosts, "/etc/hosts")]
        if self.black_hole:
            self.mounted.append(self._mount("resolv.conf", "nameserver 127.0.0.1\noptions timeout:5 attempts:2\n",
                                            "/etc/resolv.conf"))
            # Bound and never read: every question arrives, none is answered.
            self.dns = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            self.dns.bind(("127.0.0.1", 53))
        return self

    def _mount(self, name, content, target):
        path = os.path.join(self.directory, name)
        Path(path).write_text(content)
        run("mount", "--bind", path, target)
        return target

    def __exit__(self, *_):
        for target in reversed(self.mounted):
            subprocess.run(["umount", target])
        if self.black_hole:
            self.dns.close()
        shutil.rmtree(self.directory, ignore_errors=True)


class Site:
    """What the servers answer: (host, path) -> (status, headers, body); every request is recorded."""

    def __init__(self):
        self.pages = {}
        self.requests = []

    def page(self, host, path, body=b"", status=200, headers=None):
        self.pages[(host, path)] = (status, headers or {}, body if isinstance(body, bytes) else body.encode())


class Servers:
    """HTTPS on port 443 and HTTP on port 80 for every product name, answering from a Site; or, when
    `silent`, servers that take each connection and never answer, on those ports or on `ports`."""

    def __init__(self, site=None, silent=False, ports=(443, 80)):
        self.site = site or Site()
        self.silent = silent
        self.ports = ports

    def __enter__(self):
        certificate, key = Authority.files()
        if self.silent:
            # The system completes each connection in the listening queue; nothing ever accepts it.
            self.servers = [socket.create_server(("127.0.0.1", port), backlog=64) for port in self.ports]
            return self.site
        handler = _handler(self.site)
        secure = ThreadingHTTPServer(("127.0.0.1", 443), handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(certificate, key)
        secure.socket = context.wrap_socket(secure.socket, server_side=True)
        self.servers = [secure, ThreadingHTTPServer(("127.0.0.1", 80), handler)]
        for server in self.servers:
            threading.Thread(target=server.serve_forever, daemon=True).start()
        return self.site

    def __exit__(self, *_):
        for server in self.servers:
            if self.silent:
                server.close()
            else:
                server.shutdown()
                server.server_close()


def _handler(site):
    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def answer(self, with_body, posted=b""):
            host = (self.headers.get("Host") or "").split(":")[0]
            site.requests.append({"method": self.command, "host": host, "path": self.path,
                                  "agent": self.headers.get("User-Agent", ""), "body": posted})
            status, headers, body = site.pages.get((host, self.path), (404, {}, b""))
            self.send_response(status)
            for name, value in headers.items():
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            if with_body:
                self.wfile.write(body)

        def do_GET(self):
            self.answer(True)

        def do_POST(self):
            self.answer(True, self.rfile.read(int(self.headers.get("Content-Length", "0"))))

        def do_HEAD(self):
            self.answer(False)

        def log_message(self, *_):
            pass

    return Handler
