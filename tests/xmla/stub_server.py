#!/usr/bin/env python3
"""A misbehaving XMLA server on loopback for the client's tests.

Prints "PORT <n>" once it listens on 127.0.0.1, and stops when its standard
input closes. With --cert and --key it serves HTTPS. The path of each POST
chooses the behaviour; /echo answers a rowset describing the request.
"""
import argparse
import gzip
import http.server
import re
import ssl
import sys
import threading
import time
from xml.sax.saxutils import escape

ENVELOPE = ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/">'
            '<SOAP-ENV:Header>{header}</SOAP-ENV:Header><SOAP-ENV:Body>{body}</SOAP-ENV:Body>'
            '</SOAP-ENV:Envelope>\n')
FAULT = ENVELOPE.format(header='', body=(
    '<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode><faultstring>XMLA error</faultstring>'
    '<detail><Error ErrorCode="3238658121" Description="The member [Atlantis] was not found."/>'
    '</detail></SOAP-ENV:Fault>'))


def rowset(row, header=''):
    cells = ''.join('<{0}>{1}</{0}>'.format(k, escape(v)) for k, v in row.items())
    return ENVELOPE.format(header=header, body=(
        '<DiscoverResponse xmlns="urn:schemas-microsoft-com:xml-analysis"><return>'
        '<root xmlns="urn:schemas-microsoft-com:xml-analysis:rowset"><row>' + cells +
        '</row></root></return></DiscoverResponse>'))


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = 'HTTP/1.1'

    def log_message(self, *args):
        pass

    def answer(self, status, body, length=True, extra=()):
        data = body.encode('utf-8') if isinstance(body, str) else body
        self.send_response(status)
        self.send_header('Content-Type', 'text/xml; charset=utf-8')
        for name, value in extra:
            self.send_header(name, value)
        if length:
            self.send_header('Content-Length', str(len(data)))
        else:
            self.send_header('Connection', 'close')
            self.close_connection = True
        self.end_headers()
        self.wfile.write(data)

    def do_POST(self):
        request = self.rfile.read(int(self.headers.get('Content-Length', 0))).decode('utf-8')
        path = self.path
        if path == '/echo':
            header = ''
            session = re.search(r'<Session [^>]*SessionId="([^"]*)"', request)
            if '<BeginSession' in request:
                header = '<Session xmlns="urn:schemas-microsoft-com:xml-analysis" SessionId="S-42"/>'
            self.answer(200, rowset({
                'ACTION': self.headers.get('SOAPAction', ''),
                'AUTH': self.headers.get('Authorization', ''),
                'SESSION': session.group(1) if session else '',
                'ENDED': 'yes' if '<EndSession' in request else '',
                'BODY': request}, header))
        elif path == '/close':
            self.close_connection = True
        elif path == '/500':
            self.answer(500, '<html>Internal error</html>')
        elif path == '/fault500':
            self.answer(500, FAULT)
        elif path == '/garbage':
            self.answer(200, 'this is not XML at all')
        elif path == '/truncated':
            self.answer(200, rowset({'A': 'x' * 100})[:150], length=False)
        elif path == '/short':
            self.send_response(200)
            self.send_header('Content-Length', '5000')
            self.end_headers()
            self.wfile.write(rowset({'A': 'b'}).encode('utf-8'))
            self.close_connection = True
        elif path in ('/big', '/bigstream'):
            self.answer(200, rowset({'A': 'y' * (2 << 20)}), length=(path == '/big'))
        elif path == '/stall':
            time.sleep(3)
            self.answer(200, rowset({'A': 'late'}))
        elif path == '/redirect':
            self.send_response(302)
            self.send_header('Location', '/echo')
            self.send_header('Content-Length', '0')
            self.end_headers()
        elif path == '/doctype':
            self.answer(200, '<?xml version="1.0"?><!DOCTYPE x [<!ENTITY e SYSTEM "file:///etc/passwd">]>'
                             '<x>&e;</x>')
        elif path == '/gzip':
            self.answer(200, gzip.compress(rowset({'A': 'z' * 1000}).encode('utf-8')),
                        extra=[('Content-Encoding', 'gzip')])
        else:
            self.answer(404, 'no such path')


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--cert')
    parser.add_argument('--key')
    args = parser.parse_args()
    server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
    server.daemon_threads = True
    server.handle_error = lambda request, address: None  # clients that give up are expected
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print('PORT', server.server_address[1], flush=True)
    sys.stdin.read()


main()
