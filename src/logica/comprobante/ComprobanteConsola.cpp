#include "ComprobanteConsola.h"

#include "ImpresionComprobante.h"
#include "Rutas.h"
#include "VerificacionSello.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace ComprobanteConsola {

namespace {

void escribe(FILE* salida, const QString& texto)
{
    const QByteArray bytes = texto.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), salida);
    std::fflush(salida);
}

int falla(int salida, const QString& texto)
{
    escribe(stderr, QStringLiteral("velkor-comprobante: ") + texto + QLatin1Char('\n'));
    return salida;
}

int usoIncorrecto(const QString& texto)
{
    return falla(Uso, texto + QStringLiteral("\nUse velkor-comprobante --help para ver el uso."));
}

// The XML files named, folders walked whole, in a stable order.
QStringList archivos(const QStringList& rutas, QStringList& faltan)
{
    QStringList encontrados;
    for (const QString& ruta : rutas) {
        const QFileInfo info(ruta);
        if (info.isFile()) {
            encontrados << ruta;
        } else if (info.isDir()) {
            QStringList deCarpeta;
            QDirIterator it(ruta, {QStringLiteral("*.xml")}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                deCarpeta << it.next();
            deCarpeta.sort();
            encontrados << deCarpeta;
        } else {
            faltan << ruta;
        }
    }
    return encontrados;
}

int verifica(const QStringList& rutas)
{
    if (rutas.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta el archivo o la carpeta de los comprobantes que se verifican."));
    QStringList faltan;
    const QStringList lista = archivos(rutas, faltan);
    for (const QString& f : faltan)
        escribe(stderr, QStringLiteral("velkor-comprobante: \"%1\" no existe.\n").arg(f));
    using VerificacionSello::TEstado;
    int autenticos = 0, alterados = 0, otros = 0;
    for (const QString& archivo : lista) {
        QFile f(archivo);
        VerificacionSello::TResultado r;
        if (!f.open(QIODevice::ReadOnly))
            r.motivo = QStringLiteral("No se pudo leer el archivo: ") + f.errorString();
        else
            r = VerificacionSello::verifica(f.readAll());
        escribe(stdout, QStringLiteral("%1: %2. %3\n").arg(archivo, VerificacionSello::texto(r.estado), r.motivo));
        if (r.estado == TEstado::Autentico)
            ++autenticos;
        else if (r.estado == TEstado::Alterado || r.estado == TEstado::CertificadoNoCorresponde)
            ++alterados;
        else
            ++otros;
    }
    escribe(stdout, QStringLiteral("Auténticos: %1  Alterados o de otro certificado: %2  No verificables: %3\n")
                        .arg(autenticos)
                        .arg(alterados)
                        .arg(otros + int(faltan.size())));
    if (alterados > 0)
        return Alterados;
    return otros > 0 || !faltan.isEmpty() || lista.isEmpty() ? NoVerificables : Autenticos;
}

int pdf(const QStringList& argumentos)
{
    QString entrada;
    QString salida;
    for (int i = 0; i < argumentos.size(); ++i) {
        const QString& a = argumentos.at(i);
        if (a == QLatin1String("--salida") || a == QLatin1String("-o")) {
            if (i + 1 >= argumentos.size())
                return usoIncorrecto(QStringLiteral("Falta el valor de %1.").arg(a));
            salida = argumentos.at(++i);
        } else if (a.startsWith(QLatin1String("--salida="))) {
            salida = a.section(QLatin1Char('='), 1);
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            return usoIncorrecto(QStringLiteral("Opción desconocida: %1").arg(a));
        } else if (entrada.isEmpty()) {
            entrada = a;
        } else {
            return usoIncorrecto(QStringLiteral("Se indicó más de un comprobante: %1, %2").arg(entrada, a));
        }
    }
    if (entrada.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta el archivo XML del comprobante."));
    if (salida.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta el archivo PDF que se escribe (--salida ARCHIVO.pdf)."));
    QFile f(entrada);
    if (!f.open(QIODevice::ReadOnly))
        return falla(NoVerificables, QStringLiteral("No se pudo leer \"%1\": %2").arg(entrada, f.errorString()));
    ImpresionComprobante::TComprobante comprobante;
    comprobante.xml = f.readAll();
    QString error;
    if (!ImpresionComprobante::guardaPdf({comprobante}, salida, &error))
        return falla(NoVerificables, QStringLiteral("No se pudo escribir \"%1\": %2").arg(salida, error));
    escribe(stdout, QStringLiteral("Se escribió %1.\n").arg(salida));
    return Autenticos;
}

} // namespace

QString ayuda()
{
    return QStringLiteral(
        "Uso: velkor-comprobante verifica ARCHIVO|CARPETA...\n"
        "     velkor-comprobante pdf ARCHIVO.xml --salida ARCHIVO.pdf\n"
        "\n"
        "verifica  comprueba el sello de cada CFDI (3.2, 3.3 y 4.0): el del emisor con el certificado\n"
        "          que trae el comprobante, y el del SAT cuando su certificado está en la carpeta\n"
        "          Certificados/SAT del programa. Las carpetas se recorren con sus subcarpetas. Escribe\n"
        "          un renglón por archivo con su resultado (Auténtico, Alterado, Certificado no\n"
        "          corresponde o No verificable) y el motivo, como lo guarda la importación.\n"
        "pdf       escribe la representación impresa del comprobante, con su código QR, en ARCHIVO.pdf.\n"
        "\n"
        "Opciones:\n"
        "  --salida ARCHIVO.pdf   el PDF que escribe la orden pdf\n"
        "  -h, --help             muestra esta ayuda\n"
        "\n"
        "Estado de salida:\n"
        "  0  todos los comprobantes son auténticos (o se escribió el PDF)\n"
        "  1  algún comprobante está alterado o su certificado no corresponde\n"
        "  2  uso incorrecto\n"
        "  3  ninguno alterado, pero alguno no se pudo verificar (o no se escribió el PDF)\n");
}

int ejecuta(const QStringList& argumentos, const QString& carpetaPrograma)
{
    Rutas::fijaCarpetaPrograma(carpetaPrograma);
    if (argumentos.isEmpty())
        return usoIncorrecto(QStringLiteral("Falta la orden: verifica o pdf."));
    if (argumentos.contains(QStringLiteral("-h")) || argumentos.contains(QStringLiteral("--help")) ||
        argumentos.contains(QStringLiteral("--ayuda"))) {
        escribe(stdout, ayuda());
        return Autenticos;
    }
    const QString orden = argumentos.first();
    if (orden == QLatin1String("verifica"))
        return verifica(argumentos.mid(1));
    if (orden == QLatin1String("pdf"))
        return pdf(argumentos.mid(1));
    return usoIncorrecto(QStringLiteral("Orden desconocida: %1").arg(orden));
}

} // namespace ComprobanteConsola
