#!/usr/bin/python3
"""Throw-away SMTP server for the recovery-mail tests (aiosmtpd), on 127.0.0.1.

Writes each message it accepts to --carpeta/N.eml, preceded by the envelope
("X-Remitente:" and "X-Destinatario:" lines). --certificado/--llave offer
STARTTLS; --cuenta USUARIO:CLAVE requires authentication (over TLS when it is
offered); --falla ocupado answers every sender with 451, --falla corta hangs up
when the message is sent. Prints "PORT n" once listening; ends on SIGTERM.
"""
import argparse
import os
import signal
import socket
import ssl
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult


class Buzon:
    def __init__(self, carpeta, falla=None):
        self.carpeta = carpeta
        self.falla = falla
        self.cuenta = 0
        self.candado = threading.Lock()

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        if self.falla == "ocupado":
            return "451 4.3.2 Intente mas tarde"
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.falla == "corta":
            server.transport.close()
            return "250 OK"
        with self.candado:
            self.cuenta += 1
            n = self.cuenta
        ruta = os.path.join(self.carpeta, "%d.eml" % n)
        with open(ruta + ".parcial", "wb") as f:
            f.write(("X-Remitente: %s\r\n" % envelope.mail_from).encode())
            for destinatario in envelope.rcpt_tos:
                f.write(("X-Destinatario: %s\r\n" % destinatario).encode())
            f.write(envelope.original_content)
        os.rename(ruta + ".parcial", ruta)
        return "250 Message accepted for delivery"


class Controlador(Controller):
    """Serves on a socket bound before it starts: a port found free and
    bound a moment later may meanwhile go to another test's connection."""

    def __init__(self, manejador, **opciones):
        self.enchufe = socket.socket()
        self.enchufe.bind(("127.0.0.1", 0))
        self.enchufe.listen()
        super().__init__(manejador, hostname="127.0.0.1", port=self.enchufe.getsockname()[1], **opciones)

    def _create_server(self):
        return self.loop.create_server(self._factory_invoker, sock=self.enchufe, ssl=self.ssl_context)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--carpeta", required=True)
    p.add_argument("--certificado")
    p.add_argument("--llave")
    p.add_argument("--cuenta")
    p.add_argument("--falla", choices=["ocupado", "corta"])
    a = p.parse_args()
    opciones = {}
    if a.certificado:
        contexto = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        contexto.load_cert_chain(a.certificado, a.llave)
        opciones["tls_context"] = contexto
    if a.cuenta:
        usuario, clave = a.cuenta.split(":", 1)

        def autentica(server, session, envelope, mechanism, auth_data):
            valido = auth_data.login.decode() == usuario and auth_data.password.decode() == clave
            # handled=False makes the server answer 535 to a refused login.
            return AuthResult(success=valido, handled=False)

        opciones["authenticator"] = autentica
        opciones["auth_required"] = True
        opciones["auth_require_tls"] = bool(a.certificado)
    controlador = Controlador(Buzon(a.carpeta, a.falla), **opciones)
    controlador.start()
    fin = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: fin.set())
    print("PORT %d" % controlador.port, flush=True)
    fin.wait()
    controlador.stop()


if __name__ == "__main__":
    main()
