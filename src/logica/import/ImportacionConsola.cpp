#include "ImportacionConsola.h"

#include "Archivos.h"
#include "CarpetaInstalada.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Errores.h"
#include "ImportacionCarpeta.h"
#include "Logmanager.h"
#include "RevisionImportacion.h"
#include "Rutas.h"
#include "Sistema.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "TCandadoImportacion.h"
#include "TImportadorXML.h"
#include "negocio/TRecorridoXML.h"
#include "TReporteImportacion.h"
#include "negocio/Consola.h"
#include "negocio/RevisionMotor.h"
#include "negocio/TSenalesTerminacion.h"
#include "negocio/Utils.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QUrl>

#include <cstdio>
#include <optional>
#include <unistd.h>
#include <utility>

namespace ImportacionConsola {

namespace {

using Consola::escribe;
using Consola::leeContrasena;

int falla(int salida, const QString& texto)
{
    escribe(stderr, QStringLiteral("velkor-importar: ") + texto + QLatin1Char('\n'));
    return salida;
}

// The progress of a job on a terminal: one line redrawn at most ten times a
// second.
class TBarraProgreso {
public:
    explicit TBarraProgreso(int total) : m_total(total) {}
    void avanza(int hechos, bool final = false)
    {
        if (!final && m_ultimo.isValid() && m_ultimo.elapsed() < 100)
            return;
        m_ultimo.start();
        const int ancho = 30;
        const int llenos = m_total > 0 ? static_cast<int>(qint64(ancho) * hechos / m_total) : ancho;
        const qint64 restantes = m_ritmo.segundosRestantes(hechos, m_total);
        escribe(stderr, QStringLiteral("\r[%1%2] %3/%4  %5 archivos/s  faltan %6 ")
                                .arg(QString(llenos, QLatin1Char('#')), QString(ancho - llenos, QLatin1Char('.')))
                                .arg(hechos)
                                .arg(m_total)
                                .arg(m_ritmo.porSegundo(hechos), 0, 'f', 0)
                                .arg(restantes < 0 ? QStringLiteral("-") : TRitmoImportacion::duracion(restantes)) +
                            (final ? QStringLiteral("\n") : QString()));
    }

private:
    int m_total;
    TRitmoImportacion m_ritmo;
    QElapsedTimer m_ultimo;
};

} // namespace

namespace {

// The address as given, for a message, its password (if the user put one in
// it) masked: messages reach the screen and the program log. After "://" a
// colon with no "@" behind it may as well start a password as a port.
QString sinContrasena(const QString& url)
{
    const qsizetype esquema = url.indexOf(QStringLiteral("://"));
    const qsizetype desde = esquema < 0 ? 0 : esquema + 3;
    const qsizetype arroba = url.lastIndexOf(QLatin1Char('@'));
    const qsizetype dosPuntos = url.indexOf(QLatin1Char(':'), desde);
    if (dosPuntos < 0 || (dosPuntos > arroba && (esquema < 0 || arroba >= desde)))
        return url;
    return url.left(dosPuntos + 1) + QStringLiteral("***") + (arroba > dosPuntos ? url.mid(arroba) : QString());
}

int concilia(const TOpciones& opciones)
{
    try {
        const ImportacionCarpeta::TConciliacion conciliacion =
            ImportacionCarpeta::escribeConciliacion(opciones.conciliacion, opciones.correo, opciones.contrasena);
        escribe(stdout, ImportacionCarpeta::textoConciliacion(conciliacion, opciones.conciliacion) + QLatin1Char('\n'));
    } catch (const std::exception& e) {
        return falla(SinCarpeta, Utils::textoError(e));
    }
    return Correcta;
}

} // namespace

QString ayuda()
{
    return QStringLiteral(
        "Uso: velkor-importar CARPETA --correo CORREO [--contrasena CONTRASEÑA] [--conciliacion ARCHIVO.csv]\n"
        "                     [--servidor URL]\n"
        "     velkor-importar --conciliacion ARCHIVO.csv --correo CORREO [--contrasena CONTRASEÑA]\n"
        "\n"
        "Importa los archivos XML de CFDI (3.2, 3.3 y 4.0) de CARPETA y de sus subcarpetas a los\n"
        "negocios que los emitieron, en la carpeta de este programa, como lo hace la ventana de\n"
        "importación de Velkor. Un emisor que no está registrado se crea como negocio nuevo, con\n"
        "CORREO y CONTRASEÑA como su usuario.\n"
        "Toma también los paquetes ZIP de la descarga masiva del SAT (sus XML, como si estuvieran\n"
        "sueltos) y los archivos de metadatos del SAT (.txt, sueltos o dentro de un paquete), que\n"
        "marcan como cancelados los comprobantes que el SAT da por cancelados. CARPETA puede ser\n"
        "también un solo archivo: un paquete, un archivo de metadatos o un XML.\n"
        "\n"
        "Opciones:\n"
        "  --correo CORREO          correo electrónico del usuario de los negocios que se creen\n"
        "  --contrasena CONTRASEÑA  su contraseña; si se omite, se lee de la entrada estándar\n"
        "                           (sin eco en una terminal), y así no aparece en la lista de procesos\n"
        "  --conciliacion ARCHIVO   escribe en ARCHIVO (CSV) lo que los metadatos del SAT y los\n"
        "                           comprobantes guardados dicen distinto, en cada negocio al que\n"
        "                           CORREO puede entrar: columna Tipo \"Cancelado\", \"Falta el XML\",\n"
        "                           \"Sin metadatos\" o \"Importe distinto\"\n"
        "  --servidor URL           crea los negocios nuevos en un servidor de bases de datos en vez\n"
        "                           de en la carpeta de este programa, una base de datos por negocio:\n"
        "                             mysql://USUARIO@HOST:PUERTO  (MariaDB o MySQL) la base\n"
        "                               velkor_ más el RFC en minúsculas, con _26 por & y _f1 por ñ;\n"
        "                               la cuenta debe poder crear bases de datos\n"
        "                             firebird://USUARIO@HOST:PUERTO/CARPETA  (servidor Firebird) el\n"
        "                               archivo RFC.fdb en CARPETA, una carpeta del servidor\n"
        "                           La contraseña de USUARIO se toma de la variable de entorno\n"
        "                           VELKOR_CLAVE_SERVIDOR, nunca de la línea de órdenes. Los negocios\n"
        "                           que ya están registrados siguen donde están.\n"
        "  -h, --help               muestra esta ayuda\n"
        "\n"
        "Los archivos de un negocio ya registrado se importan solo si CORREO es uno de sus usuarios y\n"
        "CONTRASEÑA es la suya; los demás quedan en el reporte con el motivo. Si CORREO ya es usuario\n"
        "de un negocio registrado y CONTRASEÑA no es la suya en ninguno, no se importa nada.\n"
        "Al terminar escribe el resumen y deja un reporte CSV (un renglón por archivo) junto a la\n"
        "bitácora del programa. Ctrl-C detiene la importación después del archivo en curso.\n"
        "\n"
        "Estado de salida:\n"
        "  0    ningún archivo falló\n"
        "  1    la importación terminó y algún archivo falló o no se guardó una fila de metadatos\n"
        "  2    uso incorrecto (falta la carpeta o el correo, opción desconocida)\n"
        "  3    la carpeta no existe, o no se pudo escribir la conciliación\n"
        "  4    la contraseña no es la del usuario CORREO\n"
        "  5    otro programa ocupa el registro de negocios o ya importa en esta carpeta del programa\n"
        "  6    la carpeta del programa no se puede usar\n"
        "  130  detenida por una señal\n");
}

TOpciones interpreta(const QStringList& argumentos, QString& error)
{
    TOpciones opciones;
    QStringList posicionales;
    QList<const QString*> dadas;
    for (int i = 0; i < argumentos.size(); ++i) {
        const QString& argumento = argumentos.at(i);
        QString* destino = nullptr;
        QString nombre = argumento.section(QLatin1Char('='), 0, 0);
        if (argumento == QLatin1String("-h") || argumento == QLatin1String("--help") ||
            argumento == QLatin1String("--ayuda")) {
            opciones.ayuda = true;
            continue;
        }
        if (nombre == QLatin1String("--correo"))
            destino = &opciones.correo;
        else if (nombre == QLatin1String("--servidor"))
            destino = &opciones.urlServidor;
        else if (nombre == QLatin1String("--conciliacion") || nombre == QLatin1String("--conciliación"))
            destino = &opciones.conciliacion;
        else if (nombre == QLatin1String("--contrasena") || nombre == QLatin1String("--contraseña")) {
            destino = &opciones.contrasena;
            opciones.conContrasena = true;
        } else if (argumento == QLatin1String("--")) {
            posicionales += argumentos.mid(i + 1);
            break;
        } else if (argumento.startsWith(QLatin1Char('-')) && argumento.size() > 1) {
            // What follows "=" may be a password typed under a mistaken name.
            error = QStringLiteral("Opción desconocida: %1").arg(sinContrasena(nombre));
            return opciones;
        } else {
            posicionales.append(argumento);
            continue;
        }
        if (dadas.contains(destino)) {
            error = QStringLiteral("Se indicó dos veces %1.").arg(nombre);
            return opciones;
        }
        dadas.append(destino);
        // An option right after one that needs a value means the value was
        // left out: taken as the value, "--contrasena" would become the
        // owner's e-mail and the password a folder named in a message.
        if (argumento.contains(QLatin1Char('=')))
            *destino = argumento.section(QLatin1Char('='), 1);
        else if (i + 1 < argumentos.size() && !argumentos.at(i + 1).startsWith(QLatin1String("--")))
            *destino = argumentos.at(++i);
        else {
            error = QStringLiteral("Falta el valor de %1.").arg(nombre);
            return opciones;
        }
    }
    if (opciones.ayuda)
        return opciones;
    if (posicionales.size() > 1) {
        QStringList dichas;
        for (const QString& posicional : std::as_const(posicionales))
            dichas.append(sinContrasena(posicional));
        error = QStringLiteral("Se indicó más de una carpeta: %1").arg(dichas.join(QStringLiteral(", ")));
        return opciones;
    }
    opciones.carpeta = posicionales.value(0);
    if (opciones.carpeta.isEmpty() && opciones.conciliacion.isEmpty())
        error = QStringLiteral("Falta la carpeta de los archivos XML que se importan.");
    else if (opciones.correo.trimmed().isEmpty())
        error = QStringLiteral("Falta el correo electrónico (--correo CORREO) del usuario de los negocios que se "
                               "creen.");
    opciones.correo = opciones.correo.trimmed();
    // The owner of every business the import creates, checked as the
    // wizard checks it; not repeated, as it may be a password typed in its
    // place.
    if (error.isEmpty() && !Utils::validaUsuario(opciones.correo))
        error = QStringLiteral("Lo indicado en --correo no es un correo electrónico válido (como nombre@dominio.mx).");
    if (error.isEmpty() && !opciones.conciliacion.isEmpty())
        error = ImportacionCarpeta::destinoConciliacion(opciones.conciliacion, opciones.carpeta);
    if (error.isEmpty() && !opciones.urlServidor.isEmpty())
        opciones.servidor = servidorDeUrl(opciones.urlServidor, qEnvironmentVariable(VARIABLE_CLAVE_SERVIDOR), error);
    return opciones;
}

TConexionSesion servidorDeUrl(const QString& url, const QString& password, QString& error)
{
    const QUrl direccion(url.trimmed(), QUrl::StrictMode);
    const QString esquema = direccion.scheme().toLower();
    const bool mariadb = esquema == QLatin1String("mysql") || esquema == QLatin1String("mariadb");
    const bool firebird = esquema == QLatin1String("firebird");
    const QString forma = QStringLiteral("mysql://USUARIO@HOST:PUERTO o firebird://USUARIO@HOST:PUERTO/CARPETA");
    if (!direccion.isValid() || (!mariadb && !firebird) || direccion.host().isEmpty() ||
        direccion.userName().isEmpty()) {
        error = QStringLiteral("La dirección del servidor \"%1\" no tiene la forma %2.").arg(sinContrasena(url), forma);
        return {};
    }
    if (!direccion.password().isEmpty()) {
        error = QStringLiteral("La contraseña del servidor no va en la dirección: ponla en la variable de entorno "
                               "%1.")
                    .arg(QString::fromLatin1(VARIABLE_CLAVE_SERVIDOR));
        return {};
    }
    const QString carpeta = direccion.path();
    if (firebird && (carpeta.isEmpty() || carpeta == QLatin1String("/"))) {
        error =
            QStringLiteral("Falta la carpeta del servidor Firebird donde se crean las bases de datos: %1.").arg(forma);
        return {};
    }
    if (mariadb && !carpeta.isEmpty() && carpeta != QLatin1String("/")) {
        error = QStringLiteral("Una dirección de MariaDB no lleva carpeta; cada negocio tiene su base de datos "
                               "velkor_ más su RFC: %1.")
                    .arg(forma);
        return {};
    }
    return TConexionSesion::servidor(
        mariadb ? TMotor::MariaDB : TMotor::FirebirdServidor, direccion.userName(), password, direccion.host(),
        direccion.port() > 0 ? QString::number(direccion.port()) : QString(), firebird ? carpeta : QString());
}

int ejecuta(const QStringList& argumentos, const QString& carpetaPrograma)
{
    QString error;
    TOpciones opciones = interpreta(argumentos, error);
    if (opciones.ayuda) {
        escribe(stdout, ayuda());
        return Correcta;
    }
    if (!error.isEmpty())
        return falla(Uso, error + QStringLiteral("\nUsa velkor-importar --help para ver el uso."));
    const QFileInfo carpeta(opciones.carpeta);
    const bool importa = !opciones.carpeta.isEmpty();
    if (importa && !carpeta.exists())
        return falla(SinCarpeta, QStringLiteral("La carpeta \"%1\" no existe.").arg(opciones.carpeta));
    if (importa && !carpeta.isDir() && !carpeta.isFile())
        return falla(SinCarpeta, QStringLiteral("\"%1\" no es una carpeta ni un archivo.").arg(opciones.carpeta));
    if (!opciones.conContrasena) {
        const std::optional<QString> leida = leeContrasena();
        if (!leida)
            return falla(Detenida, QStringLiteral("Importación cancelada; no se importó nada."));
        opciones.contrasena = *leida;
    }

    Archivos::soloDueno();
    if (QString error; !Rutas::preparaCarpetaPrograma(carpetaPrograma, &error))
        return falla(ErrorPrograma, error);
    if (const QString motivo = RevisionMotor::motivoParaNoIniciar(); !motivo.isEmpty())
        return falla(ErrorPrograma, motivo);
    // The graphical program closes this beside its start; here the program
    // ends with the import, which would cut a walk beside it short.
    Utils::cierraDatosAnteriores(Rutas::carpetaPrograma());
    Sistema::dbUsuariosSistema = TBaseDatosLocalFrm::archivoRegistro();

    TCandadoImportacion candado;
    // A script waits and tries again on Ocupada: a full disk is no reason to.
    if (!candado.toma())
        return falla(candado.ocupado() ? Ocupada : ErrorPrograma, candado.mensaje());

    if (!QFileInfo::exists(Sistema::dbUsuariosSistema)) {
        const QByteArray vacio = Utils::bytesRecurso(Constantes::RS_USRDB, Sistema::exePath);
        if (vacio.isEmpty())
            return falla(ErrorPrograma, QStringLiteral("Falta el paquete de recursos del programa (%1) en %2.")
                                            .arg(Constantes::RS_PATH, Sistema::exePath));
        try {
            // Velkor, starting meanwhile, may have made it (it takes no
            // import lock) and be reading it.
            Archivos::creaPrivadoNuevo(Sistema::dbUsuariosSistema, vacio);
        } catch (const std::exception& e) {
            // The description with its class name is for the log.
            Logmanager::Log(Errores::describe(e), 3, Sistema::exePath);
            return falla(ErrorPrograma, Utils::textoError(e));
        }
    }
    const RevisionImportacion::TRevision revision = RevisionImportacion::revisa(opciones.correo, opciones.contrasena);
    // Strings an earlier version enciphered alike for every installation can
    // be read by whoever copies the file. A registry busy or damaged is left
    // as it is.
    if (revision.resultado == RevisionImportacion::TResultado::Correcta ||
        revision.resultado == RevisionImportacion::TResultado::ContrasenaAjena)
        registroLocal().migraCadenas();
    switch (revision.resultado) {
    case RevisionImportacion::TResultado::Correcta:
        break;
    case RevisionImportacion::TResultado::RegistroOcupado:
        return falla(Ocupada, revision.mensaje);
    case RevisionImportacion::TResultado::RegistroDanado:
        return falla(ErrorPrograma, revision.mensaje);
    case RevisionImportacion::TResultado::ContrasenaAjena:
        return falla(SinAcceso, revision.mensaje);
    }

    TParametrosImportacion parametros = ImportacionCarpeta::parametros(opciones.correo, opciones.contrasena);
    parametros.servidorNuevos = opciones.servidor;

    if (!importa)
        return concilia(opciones);

    const QString raiz = carpeta.isDir() ? Rutas::comoCarpeta(carpeta.absoluteFilePath()) : carpeta.absoluteFilePath();
    const bool terminal = ::isatty(STDERR_FILENO);
    int senal = 0;
    const auto detenerse = [&senal] {
        senal = senal != 0 ? senal : TSenalesTerminacion::pendiente();
        return senal != 0;
    };
    std::unique_ptr<TBarraProgreso> barra;
    if (terminal)
        barra = std::make_unique<TBarraProgreso>(ImportacionCarpeta::cuenta(raiz, detenerse));

    TReporteImportacion reporte(Sistema::exePath);
    // A connection that keeps dropping stops the job, said once beside what
    // was done.
    QString detenida;
    int hechos = 0;
    try {
        hechos = ImportacionCarpeta::importa(raiz, parametros, reporte, detenerse, [&](const TResultadoArchivo&) {
            if (barra)
                barra->avanza(reporte.resumen().total());
        });
    } catch (const EImportacionDetenida& e) {
        Logmanager::Log(QStringLiteral("Importación interrumpida por un error: ") + e.mensaje(), 1, Sistema::exePath);
        detenida = e.mensaje();
        hechos = reporte.resumen().total();
    }
    if (barra)
        barra->avanza(hechos, true);
    reporte.cierra();
    Conexiones::cierraHilo();

    QString resumen = reporte.mensajeFinal();
    if (senal != 0)
        resumen = QStringLiteral("Importación detenida por una señal después de %1 archivos; lo importado se "
                                 "conserva y otra importación de la carpeta sigue donde quedó.\n")
                      .arg(hechos) +
                  resumen;
    escribe(stdout, resumen + QLatin1Char('\n'));
    if (!detenida.isEmpty())
        return falla(ConFallos, detenida);
    if (senal != 0)
        return Detenida;
    if (!opciones.conciliacion.isEmpty())
        if (const int salida = concilia(opciones); salida != Correcta)
            return salida;
    // A metadata row not stored leaves a voucher's SAT status unknown, as a
    // failed file leaves its voucher out.
    const TResumenImportacion& cuenta = reporte.resumen();
    return cuenta.fallidos > 0 || cuenta.filasRechazadas > 0 ? ConFallos : Correcta;
}

} // namespace ImportacionConsola
