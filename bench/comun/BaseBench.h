#pragma once
#include "Conexiones.h"
#include "Errores.h"
#include "Esquema.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

// Runs a benchmark over a throw-away business database with the whole schema:
// `medicion` gets its connection and the row count (the first argument, or
// `filasPorDefecto`). The engine is shut down before the program ends, also
// after an error, which is printed. A bench that shows windows runs under a
// QApplication.
template <typename TAplicacion = QCoreApplication>
int ejecutaBench(int argc, char** argv, int filasPorDefecto,
                 const std::function<void(const TConexionSesion&, int)>& medicion)
{
    TAplicacion app(argc, argv);
    const int filas = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : filasPorDefecto;
    QTemporaryDir carpeta;
    const QString archivo = carpeta.filePath(QStringLiteral("bench.fdb"));
    try {
        Conexiones::creaBaseDatos(archivo, QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/"));
        const TConexionSesion conexion =
            TConexionSesion::embebida(archivo, QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/"));
        Esquema::completaTodo(conexion);
        medicion(conexion, filas);
        Conexiones::apagaMotor();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", qPrintable(Errores::describe(e)));
        Conexiones::apagaMotor();
        return 1;
    }
    return 0;
}
