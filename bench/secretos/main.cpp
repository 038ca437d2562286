// How long a password takes: the hash alone, its check, and a whole sign-in
// to a business (database opened, hash checked, session filled), the first
// one of an earlier version's password (checked the old way and rewritten)
// and the following ones.
#include "CarpetaPrograma.h"
#include "Conexiones.h"
#include "Errores.h"
#include "NegocioPrueba.h"
#include "Secretos.h"
#include "Sistema.h"
#include "negocio/TArchivoZip.h"
#include "negocio/TIngreso.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

void mide(const char* que, int veces, const std::function<void()>& trabajo)
{
    QList<double> ms;
    for (int i = 0; i < veces; ++i) {
        QElapsedTimer reloj;
        reloj.start();
        trabajo();
        ms << reloj.nsecsElapsed() / 1e6;
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-42s mediana %7.1f ms   máximo %7.1f ms   (%d veces)\n", que, ms.at(ms.size() / 2), ms.last(), veces);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int veces = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;
    try {
        const QString password = QStringLiteral("Una.Contraseña-de-prueba 2026");
        QString hash;
        mide("hash Argon2id", veces, [&] { hash = Secretos::hashPassword(password); });
        mide("revisión del hash", veces, [&] { Secretos::verificaPassword(hash, password); });

        TCarpetaPrograma carpeta;
        NegocioPrueba::creaRegistro(carpeta);
        NegocioPrueba::crea(NegocioPrueba::RFC_ESCUELA, QStringLiteral("dueno@escuela.mx"), password);
        mide("ingreso completo", veces, [&] {
            if (Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, QStringLiteral("dueno@escuela.mx"), password) !=
                Ingreso::TResultado::Correcto)
                throw EVelkor(QStringLiteral("El ingreso fue rechazado."));
            NegocioPrueba::limpiaSesion();
        });

        // Each time a fresh copy of the program folder an earlier version
        // wrote; only the sign-in is timed.
        QList<double> primeros;
        for (int i = 0; i < std::max(3, veces / 4); ++i) {
            TCarpetaPrograma antigua;
            TArchivoZip(QStringLiteral(VELKOR_DATOS_PRUEBA "/antiguo/programa.zip")).extraeTodo(antigua.ruta(), {});
            Sistema::dbUsuariosSistema = antigua.archivo(QStringLiteral("db/Usuarios.db"));
            QElapsedTimer reloj;
            reloj.start();
            if (Ingreso::ingresa(NegocioPrueba::RFC_ESCUELA, QStringLiteral("Dueno@Ejemplo.mx"),
                                 QStringLiteral("Clave.Antigua1")) != Ingreso::TResultado::Correcto)
                throw EVelkor(QStringLiteral("El ingreso a la carpeta anterior fue rechazado."));
            primeros << reloj.nsecsElapsed() / 1e6;
            NegocioPrueba::limpiaSesion();
        }
        std::sort(primeros.begin(), primeros.end());
        std::printf("%-42s mediana %7.1f ms   máximo %7.1f ms   (%lld veces)\n", "primer ingreso, contraseña anterior",
                    primeros.at(primeros.size() / 2), primeros.last(), static_cast<long long>(primeros.size()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(Errores::describe(e)));
        Conexiones::apagaMotor();
        return 1;
    }
    Conexiones::apagaMotor();
    return 0;
}
