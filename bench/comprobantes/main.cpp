// A stored voucher's seal check and its PDF: how many a second, over the
// repository's real vouchers whose seals verify, on one thread and on as
// many as the machine has cores.
#include "ImpresionComprobante.h"
#include "Rutas.h"
#include "VerificacionSello.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <cstdio>
#include <vector>

namespace {

const QStringList MUESTRAS = {
    QStringLiteral("cfdi40-real.xml"), QStringLiteral("cfdi33-real.xml"), QStringLiteral("cfdi32-real.xml"),
    QStringLiteral("h&e951128469_ingreso_iva16_stamped.xml"), QStringLiteral("detallista-example.xml")};

double verificacionesPorSegundo(const QList<QByteArray>& xmls, int hilos, int porHilo)
{
    std::atomic<int> autenticos{0};
    std::vector<std::unique_ptr<QThread>> trabajadores;
    QElapsedTimer reloj;
    reloj.start();
    for (int h = 0; h < hilos; ++h) {
        trabajadores.emplace_back(QThread::create([&] {
            for (int i = 0; i < porHilo; ++i)
                if (VerificacionSello::verifica(xmls.at(i % xmls.size())).estado ==
                    VerificacionSello::TEstado::Autentico)
                    ++autenticos;
        }));
        trabajadores.back()->start();
    }
    for (auto& t : trabajadores)
        t->wait();
    const double segundos = reloj.nsecsElapsed() / 1e9;
    if (autenticos != hilos * porHilo)
        std::fprintf(stderr, "Solo %d de %d verificaron\n", autenticos.load(), hilos * porHilo);
    return hilos * porHilo / segundos;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Rutas::fijaCarpetaPrograma(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO));
    QList<QByteArray> xmls;
    for (const QString& nombre : MUESTRAS) {
        QFile f(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi/") + nombre);
        if (!f.open(QIODevice::ReadOnly))
            return 1;
        xmls << f.readAll();
    }
    // The transforms are compiled by the first check, outside the figures.
    VerificacionSello::verifica(xmls.first());
    const int cores = qMax(1, QThread::idealThreadCount());
    std::printf("Verificación de sellos, 1 hilo: %.0f comprobantes/s\n", verificacionesPorSegundo(xmls, 1, 2000));
    std::printf("Verificación de sellos, %d hilos: %.0f comprobantes/s\n", cores,
                verificacionesPorSegundo(xmls, cores, 2000));

    QTemporaryDir carpeta;
    const int pdfs = 100;
    QElapsedTimer reloj;
    reloj.start();
    for (int i = 0; i < pdfs; ++i) {
        ImpresionComprobante::TComprobante c;
        c.xml = xmls.at(i % xmls.size());
        if (!ImpresionComprobante::guardaPdf({c}, carpeta.filePath(QStringLiteral("%1.pdf").arg(i))))
            return 1;
    }
    std::printf("PDF de un comprobante (con su verificación y su QR), 1 hilo: %.1f PDF/s\n",
                pdfs / (reloj.nsecsElapsed() / 1e9));
    return 0;
}
