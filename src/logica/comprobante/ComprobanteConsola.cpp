#include "ComprobanteConsola.h"

#include "Archivos.h"
#include "CarpetaInstalada.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Entidades.h"
#include "Errores.h"
#include "ImpresionComprobante.h"
#include "Rutas.h"
#include "Sistema.h"
#include "VerificacionSello.h"
#include "negocio/Consola.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "negocio/TIngreso.h"
#include "negocio/TRecorridoXML.h"
#include "negocio/Utils.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

namespace ComprobanteConsola {

namespace {

using Consola::escribe;

// What the command line said.
struct TOpciones {
    QString orden;
    QStringList rutas;
    QString salida;
    // A stored voucher: the business's RFC, the voucher's UUID and the user
    // who may see it.
    QString rfc;
    QString uuid;
    QString correo;
    bool guardados() const { return !rfc.isEmpty() || !correo.isEmpty() || !uuid.isEmpty(); }
};

int falla(int salida, const QString& texto)
{
    escribe(stderr, QStringLiteral("velkor-comprobante: ") + texto + QLatin1Char('\n'));
    return salida;
}

int usoIncorrecto(const QString& texto)
{
    return falla(Uso, texto + QStringLiteral("\nUsa velkor-comprobante --help para ver el uso."));
}

QString interpreta(const QStringList& argumentos, TOpciones& o)
{
    o.orden = argumentos.value(0);
    for (int i = 1; i < argumentos.size(); ++i) {
        const QString& a = argumentos.at(i);
        const QString nombre = a.section(QLatin1Char('='), 0, 0);
        QString* destino = nombre == QLatin1String("--salida") || nombre == QLatin1String("-o") ? &o.salida
                           : nombre == QLatin1String("--rfc")                                   ? &o.rfc
                           : nombre == QLatin1String("--uuid")                                  ? &o.uuid
                           : nombre == QLatin1String("--correo")                                ? &o.correo
                                                                                                : nullptr;
        // What follows "=" may be a password, as velkor-importar takes one.
        if (!destino && a.startsWith(QLatin1Char('-')) && a.size() > 1)
            return QStringLiteral("Opción desconocida: %1").arg(nombre);
        if (!destino)
            o.rutas << a;
        else if (a.contains(QLatin1Char('=')))
            *destino = a.section(QLatin1Char('='), 1);
        else if (i + 1 < argumentos.size())
            *destino = argumentos.at(++i);
        else
            return QStringLiteral("Falta el valor de %1.").arg(nombre);
    }
    o.rfc = o.rfc.trimmed().toUpper();
    o.correo = o.correo.trimmed();
    if (o.guardados() && !o.rutas.isEmpty())
        return QStringLiteral("Indica archivos o un comprobante guardado (--rfc), no ambos.");
    if (o.guardados() && (o.rfc.isEmpty() || o.correo.isEmpty()))
        return QStringLiteral("Para los comprobantes guardados se necesitan --rfc RFC y --correo CORREO.");
    return {};
}

// Signs in to the business as its user, the password read from standard
// input; 0 when let in, else the exit status after saying why.
int ingresa(const TOpciones& o)
{
    if (!QFileInfo::exists(Sistema::dbUsuariosSistema))
        return falla(SinAcceso, QStringLiteral("Esta carpeta del programa no tiene negocios registrados."));
    const std::optional<QString> password = Consola::leeContrasena();
    if (!password)
        return falla(Uso, QStringLiteral("Cancelado."));
    const Ingreso::TResultado r =
        Ingreso::ingresa(QString(o.rfc).replace(QLatin1Char('&'), QLatin1Char('_')), o.correo, *password);
    if (r != Ingreso::TResultado::Correcto)
        return falla(SinAcceso, Ingreso::mensajes(r, o.rfc).join(QLatin1Char(' ')));
    // In the program a stored voucher's PDF and the check of its seal are
    // reached only through the reports module.
    if (!Sistema::getPermiso(Constantes::CODIGO_REPORTES))
        return falla(SinAcceso, QStringLiteral("No tienes permiso para usar los reportes de la empresa %1. Pide al "
                                               "administrador de la empresa que te lo dé.")
                                    .arg(o.rfc));
    return 0;
}

struct TCuenta {
    int autenticos = 0;
    int alterados = 0;
    int otros = 0;

    void anota(const QString& nombre, const VerificacionSello::TResultado& r)
    {
        using VerificacionSello::TEstado;
        escribe(stdout, QStringLiteral("%1: %2. %3\n").arg(nombre, VerificacionSello::texto(r.estado), r.motivo));
        if (r.estado == TEstado::Autentico)
            ++autenticos;
        else if (r.estado == TEstado::Alterado || r.estado == TEstado::CertificadoNoCorresponde)
            ++alterados;
        else
            ++otros;
    }
    int salida()
    {
        escribe(stdout, QStringLiteral("Auténticos: %1  Alterados o de otro certificado: %2  No verificables: %3\n")
                            .arg(autenticos)
                            .arg(alterados)
                            .arg(otros));
        if (alterados > 0)
            return Alterados;
        return otros > 0 || autenticos == 0 ? NoVerificables : Autenticos;
    }
};

int verifica(const TOpciones& o)
{
    TCuenta cuenta;
    if (o.guardados()) {
        if (const int salida = ingresa(o))
            return salida;
        // Every stored voucher again from its stored XML, a batch at a time:
        // what the file says now, whatever the import stored then.
        using C = TComprobante;
        int ultimo = -1;
        for (;;) {
            const QList<C> lote = C::primeros(100,
                                              C::columna(C::col_Negocio) == Sistema::Negocio->getIdnegocio() &&
                                                  C::columna(C::col_Idcomprobante) > ultimo,
                                              *Sistema::Conexion);
            for (const C& c : lote)
                cuenta.anota(c.getUuid(), VerificacionSello::verifica(c.getComprobantexml()));
            if (lote.isEmpty())
                break;
            ultimo = lote.last().getIdcomprobante();
        }
        return cuenta.salida();
    }
    if (o.rutas.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta el archivo o la carpeta de los comprobantes que se verifican."));
    const auto verificaArchivo = [&cuenta](const QString& archivo) {
        QFile f(archivo);
        VerificacionSello::TResultado r;
        if (!f.open(QIODevice::ReadOnly))
            r.motivo = QStringLiteral("No se pudo leer el archivo: %1.").arg(Errores::delSistema(errno));
        else
            r = VerificacionSello::verifica(f.readAll());
        cuenta.anota(archivo, r);
        return true;
    };
    for (const QString& ruta : o.rutas) {
        const QFileInfo info(ruta);
        if (info.isDir()) {
            // The import's own walk: the same files it would take.
            TRecorridoXML(Rutas::comoCarpeta(info.absoluteFilePath()))
                .recorre(verificaArchivo, [&cuenta](const QString& inaccesible, const QString& motivo) {
                    VerificacionSello::TResultado r;
                    r.motivo = motivo;
                    cuenta.anota(inaccesible, r);
                    return true;
                });
        } else if (info.exists()) {
            verificaArchivo(ruta);
        } else {
            escribe(stderr, QStringLiteral("velkor-comprobante: \"%1\" no existe.\n").arg(ruta));
            ++cuenta.otros;
        }
    }
    return cuenta.salida();
}

int pdf(const TOpciones& o)
{
    if (o.salida.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta el archivo PDF que se escribe (--salida ARCHIVO.pdf)."));
    ImpresionComprobante::TComprobante comprobante;
    if (o.guardados()) {
        if (o.uuid.isEmpty())
            return usoIncorrecto(QStringLiteral("Falta el UUID del comprobante guardado (--uuid UUID)."));
        if (const int salida = ingresa(o))
            return salida;
        const std::unique_ptr<TComprobante> guardado =
            TComprobante::getByUUIDAndNegocio(o.uuid.trimmed().toUpper(), *Sistema::Negocio, *Sistema::Conexion);
        if (!guardado)
            return falla(NoVerificables,
                         QStringLiteral("El negocio %1 no tiene el comprobante %2.").arg(o.rfc, o.uuid.trimmed()));
        comprobante.xml = guardado->getComprobantexml();
        // As the reports print it: with the check stored on import.
        comprobante.verificado =
            VerificacionSello::desdeTexto(guardado->getVerificacionsello(), comprobante.verificacion.estado);
        comprobante.verificacion.motivo = guardado->getMotivoverificacion();
    } else {
        if (o.rutas.isEmpty())
            return usoIncorrecto(QStringLiteral("Falta el archivo XML del comprobante."));
        if (o.rutas.size() > 1)
            return usoIncorrecto(
                QStringLiteral("Se indicó más de un comprobante: %1").arg(o.rutas.join(QStringLiteral(", "))));
        QFile f(o.rutas.first());
        if (!f.open(QIODevice::ReadOnly))
            return falla(
                NoVerificables,
                QStringLiteral("No se pudo leer \"%1\": %2.").arg(o.rutas.first(), Errores::delSistema(errno)));
        comprobante.xml = f.readAll();
    }
    QString error;
    if (!ImpresionComprobante::guardaPdf({comprobante}, o.salida, &error))
        return falla(NoVerificables, QStringLiteral("No se pudo escribir \"%1\": %2").arg(o.salida, error));
    escribe(stdout, QStringLiteral("Se escribió %1.\n").arg(o.salida));
    return Autenticos;
}

} // namespace

QString ayuda()
{
    return QStringLiteral(
        "Uso: velkor-comprobante verifica ARCHIVO|CARPETA...\n"
        "     velkor-comprobante verifica --rfc RFC --correo CORREO\n"
        "     velkor-comprobante pdf ARCHIVO.xml --salida ARCHIVO.pdf\n"
        "     velkor-comprobante pdf --rfc RFC --uuid UUID --correo CORREO --salida ARCHIVO.pdf\n"
        "\n"
        "verifica  comprueba el sello de cada CFDI (3.2, 3.3 y 4.0): el del emisor con el certificado\n"
        "          que trae el comprobante, y el del SAT cuando su certificado está en la carpeta\n"
        "          Certificados/SAT del programa. Las carpetas se recorren con sus subcarpetas. Escribe\n"
        "          un renglón por archivo con su resultado (Auténtico, Alterado, Certificado no\n"
        "          corresponde o No verificable) y el motivo, como lo guarda la importación.\n"
        "pdf       escribe la representación impresa del comprobante, con su código QR, en ARCHIVO.pdf.\n"
        "\n"
        "Con --rfc trabaja sobre los comprobantes guardados en el negocio de ese RFC en esta carpeta del\n"
        "programa: verifica todos desde su XML guardado, o escribe el PDF del de --uuid. CORREO debe ser\n"
        "usuario del negocio; su contraseña se lee de la entrada estándar (sin eco en una terminal).\n"
        "\n"
        "Opciones:\n"
        "  --salida ARCHIVO.pdf   el PDF que escribe la orden pdf\n"
        "  --rfc RFC              el negocio de los comprobantes guardados\n"
        "  --uuid UUID            el comprobante guardado del que se escribe el PDF\n"
        "  --correo CORREO        el usuario del negocio\n"
        "  -h, --help             muestra esta ayuda\n"
        "\n"
        "Estado de salida:\n"
        "  0  todos los comprobantes son auténticos (o se escribió el PDF)\n"
        "  1  algún comprobante está alterado o su certificado no corresponde\n"
        "  2  uso incorrecto\n"
        "  3  ninguno alterado, pero alguno no se pudo verificar (o no se escribió el PDF)\n"
        "  4  el correo o la contraseña no dan acceso al negocio\n");
}

int ejecuta(const QStringList& argumentos, const QString& carpetaPrograma)
{
    if (QString error; !Rutas::preparaCarpetaPrograma(carpetaPrograma, &error))
        return falla(NoVerificables, error);
    if (argumentos.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta la orden: verifica o pdf."));
    if (argumentos.contains(QStringLiteral("-h")) || argumentos.contains(QStringLiteral("--help")) ||
        argumentos.contains(QStringLiteral("--ayuda"))) {
        escribe(stdout, ayuda());
        return Autenticos;
    }
    TOpciones opciones;
    if (const QString error = interpreta(argumentos, opciones); !error.isEmpty())
        return usoIncorrecto(error);
    // What the graphical program does beside its start, in line: this one
    // ends as soon as its order does, which would cut a walk beside it short.
    Archivos::soloDueno();
    Utils::cierraDatosAnteriores(Rutas::carpetaPrograma());
    Sistema::dbUsuariosSistema = TBaseDatosLocalFrm::archivoRegistro();
    if (TBaseDatosLocalFrm::esLegible(Sistema::dbUsuariosSistema))
        registroLocal().migraCadenas();
    int salida = Uso;
    try {
        if (opciones.orden == QLatin1String("verifica"))
            salida = verifica(opciones);
        else if (opciones.orden == QLatin1String("pdf"))
            salida = pdf(opciones);
        else
            salida = usoIncorrecto(QStringLiteral("Orden desconocida: %1").arg(opciones.orden));
    } catch (const std::exception& e) {
        salida = falla(NoVerificables, Errores::describe(e));
    }
    Conexiones::cierraHilo();
    return salida;
}

} // namespace ComprobanteConsola
