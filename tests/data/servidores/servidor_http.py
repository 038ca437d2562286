#!/usr/bin/python3
"""Throw-away HTTP(S) server for the download tests, on 127.0.0.1.

Serves the files of --carpeta. The first path part chooses how:
  /archivo/NOMBRE      whole, with Content-Length
  /lento/NOMBRE        with Content-Length, in 64 KiB pieces 40 ms apart
  /corte/NOMBRE        announces the whole length, sends half, closes
  /sinlongitud/NOMBRE  no Content-Length (ends when the connection closes)
  /pausa/NOMBRE        headers and 1 KiB, then nothing for 20 s
  /goteo/NOMBRE        announces the whole length, then sends one byte a second;
                       closes after 20 s, cut short if the file is longer
  /redirige/DESTINO    302 to where DESTINO says: "archivo" a file:// address,
                       "ftp" an ftp:// one, "bucle" itself, "http" this port
                       over plain http (an https server's way down)
  /bomba/NOMBRE        a zip made here whose one entry, NOMBRE, is 100 MiB of
                       zeros (about 100 KiB sent; no file is read)
Anything else, or a missing file, is 404. Prints "PORT n" once listening;
ends on SIGTERM.
"""
import argparse
import http.server
import io
import os
import signal
import ssl
import sys
import time
import zipfile

CARPETA = "."


class Manejador(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, formato, *args):
        pass

    def do_GET(self):
        partes = self.path.lstrip("/").split("/", 1)
        if len(partes) != 2 or "/" in partes[1] or partes[1].startswith("."):
            return self.no_encontrado()
        modo, nombre = partes
        if modo == "bomba":
            return self.bomba(nombre)
        if modo == "redirige":
            return self.redirige(nombre)
        ruta = os.path.join(CARPETA, nombre)
        if not os.path.isfile(ruta):
            return self.no_encontrado()
        with open(ruta, "rb") as f:
            datos = f.read()
        try:
            if modo == "archivo":
                self.encabezados(len(datos))
                self.wfile.write(datos)
            elif modo == "lento":
                self.encabezados(len(datos))
                for i in range(0, len(datos), 65536):
                    self.wfile.write(datos[i:i + 65536])
                    self.wfile.flush()
                    time.sleep(0.04)
            elif modo == "corte":
                self.encabezados(len(datos))
                self.wfile.write(datos[: len(datos) // 2])
                self.wfile.flush()
                self.close_connection = True
            elif modo == "sinlongitud":
                self.encabezados(None)
                for i in range(0, len(datos), 262144):
                    self.wfile.write(datos[i:i + 262144])
                    self.wfile.flush()
                    time.sleep(0.02)
                self.close_connection = True
            elif modo == "pausa":
                self.encabezados(len(datos))
                self.wfile.write(datos[:1024])
                self.wfile.flush()
                time.sleep(20)
                self.close_connection = True
            elif modo == "goteo":
                self.encabezados(len(datos))
                for i in range(min(len(datos), 20)):
                    self.wfile.write(datos[i:i + 1])
                    self.wfile.flush()
                    time.sleep(1)
                self.close_connection = True
            else:
                return self.no_encontrado()
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError):
            self.close_connection = True

    def bomba(self, nombre):
        memoria = io.BytesIO()
        with zipfile.ZipFile(memoria, "w", zipfile.ZIP_DEFLATED) as z:
            with z.open(nombre, "w") as entrada:
                ceros = bytes(1 << 20)
                for _ in range(100):
                    entrada.write(ceros)
        datos = memoria.getvalue()
        self.encabezados(len(datos))
        self.wfile.write(datos)

    def redirige(self, destino):
        puerto = self.server.server_address[1]
        destinos = {
            "archivo": "file:///etc/hostname",
            "ftp": "ftp://127.0.0.1/CFDCAT.zip",
            "bucle": "/redirige/bucle",
            "http": "http://127.0.0.1:%d/archivo/CFDCAT.zip" % puerto,
        }
        if destino not in destinos:
            return self.no_encontrado()
        self.send_response(302)
        self.send_header("Location", destinos[destino])
        self.send_header("Content-Length", "0")
        self.end_headers()

    def encabezados(self, longitud):
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        if longitud is None:
            self.send_header("Connection", "close")
        else:
            self.send_header("Content-Length", str(longitud))
        self.end_headers()

    def no_encontrado(self):
        cuerpo = b"no encontrado"
        self.send_response(404)
        self.send_header("Content-Length", str(len(cuerpo)))
        self.end_headers()
        self.wfile.write(cuerpo)


def main():
    global CARPETA
    p = argparse.ArgumentParser()
    p.add_argument("--carpeta", required=True)
    p.add_argument("--certificado")
    p.add_argument("--llave")
    a = p.parse_args()
    CARPETA = a.carpeta
    servidor = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Manejador)
    servidor.daemon_threads = True
    if a.certificado:
        contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        contexto.load_cert_chain(a.certificado, a.llave)
        servidor.socket = contexto.wrap_socket(servidor.socket, server_side=True)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    print("PORT %d" % servidor.server_address[1], flush=True)
    servidor.serve_forever()


if __name__ == "__main__":
    main()
