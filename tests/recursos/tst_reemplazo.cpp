// A package written over in place while the program runs, as `cp nuevo.bpl
// Recursos.bpl` does it: the file is cut to nothing and filled again. The
// program keeps working with the package it loaded, whose code it no longer
// reads from that file.

#include "CarpetaPrograma.h"
#include "Constantes.h"
#include "RegistroClases.h"
#include "negocio/TPaquete.h"
#include "negocio/Utils.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TstReemplazo : public QObject {
    Q_OBJECT

private slots:
    void escritoEncima()
    {
        TCarpetaPrograma carpeta;
        const QString archivo = carpeta.archivo(Constantes::RS_PATH);
        // The brand's texts keep an instance of the package's class, whose
        // code is called again afterwards.
        const QString sistema = Utils::getSistema(carpeta.ruta());
        QVERIFY(sistema.contains(Constantes::NOMBRE_SISTEMA));

        // Halfway through copying another package over it: the code the
        // loader mapped from the file lies past what is left.
        const QByteArray otro =
            TCarpetaPrograma::lee(QStringLiteral(VELKOR_PROGRAMA_CONSTRUIDO "/Lib/ResourcesUpd.so"));
        QVERIFY(otro.size() > 4096);
        QFile encima(archivo);
        QVERIFY(encima.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(encima.write(otro.left(4096)), qint64(4096));
        encima.close();

        QCOMPARE(Utils::getSistema(carpeta.ruta()), sistema);
        // Every later use of the file in this run gets the package it loaded.
        QVERIFY(Utils::getResource(Constantes::IMG_SPLASH, carpeta.ruta()));
        QCOMPARE(TPaquete::archivoDe(RegistroClases::busca(Constantes::RS_CLASS_NAME)),
                 QFileInfo(archivo).canonicalFilePath());
    }
};

QTEST_GUILESS_MAIN(TstReemplazo)
#include "tst_reemplazo.moc"
