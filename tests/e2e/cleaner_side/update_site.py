#!/usr/bin/env python3
"""A stand-in for the maker's update site on 127.0.0.1, for run.sh.

    update_site.py <version> <request log> <port file>

The query page redirects to /version/<version>; the two result pages say whether an update is
available. Every requested path is appended to the request log; the chosen port is written to
the port file once the server listens.
"""
import http.server
import sys

VERSION, LOG, PORT_FILE = sys.argv[1], sys.argv[2], sys.argv[3]

PAGES = {
    "/update_available.html": "<html><head><title>Update available</title></head><body>"
    "<h1>An update is available</h1><p>Tolvane Registry Cleaner 4.22 is ready for download.</p></body></html>",
    "/update_unavailable.html": "<html><head><title>No update</title></head><body>"
    "<h1>No update</h1><p>You have the latest version of Tolvane Registry Cleaner.</p></body></html>",
}


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(LOG, "a") as log:
            log.write(self.path + "\n")
        port = self.server.server_address[1]
        if self.path == "/scourline_update.php":
            self.send_response(302)
            self.send_header("Location", "http://127.0.0.1:%d/version/%s" % (port, VERSION))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path == "/version/" + VERSION:
            body = "<p>Latest version %s</p>" % VERSION
        elif self.path in PAGES:
            body = PAGES[self.path]
        else:
            self.send_error(404)
            return
        data = body.encode("utf-8")
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass


server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(PORT_FILE, "w") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
