#include "TImportarXMLHilo.h"

#include "Conexiones.h"
#include "Constantes.h"
#include "Logmanager.h"
#include "Sistema.h"
#include "TBaseDatosCatalogosFrm.h"
#include "negocio/TBaseDatosLocalFrm.h"
#include "import/TLoteImportacion.h"
#include "import/TRecorridoXML.h"
#include "negocio/Utils.h"

#include <QBuffer>

namespace {

QByteArray recurso(const QString& nombre)
{
    const std::unique_ptr<QBuffer> bytes = Utils::getResource(nombre, Sistema::exePath);
    return bytes ? bytes->data() : QByteArray();
}

} // namespace

TImportarXMLHilo::TImportarXMLHilo(QProgressBar* PB, QLabel* Tx, const QString& directorio, const QString& email,
                                   const QString& password)
    : PB(PB), Tx(Tx), directorio(directorio), email(email), password(password), m_reporte(Sistema::exePath)
{
    TParametrosImportacion parametros;
    parametros.email = email;
    parametros.password = password;
    parametros.plantilla = recurso(Constantes::DB_SISTEMA_NOMBRE_RESOURCE);
    parametros.logo = recurso(Constantes::IMG_EMPRESA_DEFAULT);
    m_importador = std::make_unique<TImportadorXML>(registroLocal(), BaseDatosCatalogosFrm(), parametros);
    m_lote = std::make_unique<TLoteImportacion>(*m_importador, TLoteImportacion::ARCHIVOS_POR_LOTE,
                                                [this](const TResultadoArchivo& resultado) {
                                                    m_reporte.agrega(resultado);
                                                    emit archivoTerminado(resultado);
                                                });
}

TImportarXMLHilo::~TImportarXMLHilo()
{
    // The batch undoes what it still holds on the UI thread's connections.
    m_lote.reset();
    m_importador.reset();
}

void TImportarXMLHilo::run()
{
    importarArchivoXML();
    Conexiones::cierraHilo();
}

void TImportarXMLHilo::importarArchivoXML()
{
    Logmanager::Log(QStringLiteral("Importación de archivos"), 1, Sistema::exePath);
    TRecorridoXML(directorio)
        .recorre(
            [this](const QString& ruta) {
                ++contador;
                nombreArchivoXML = ruta;
                Logmanager::Log(QStringLiteral("Archivo a importar: ") + ruta, 1, Sistema::exePath);
                QMetaObject::invokeMethod(
                    this, [this] { actualizaText(); }, Qt::BlockingQueuedConnection);
                QMetaObject::invokeMethod(
                    this, [this] { procesaArchivoXML(); }, Qt::BlockingQueuedConnection);
                return true;
            },
            [this](const QString& ruta, const QString& motivo) {
                ++contador;
                const TResultadoArchivo resultado = TImportadorXML::inaccesible(ruta, motivo);
                QMetaObject::invokeMethod(
                    this, [this] { actualizaText(); }, Qt::BlockingQueuedConnection);
                QMetaObject::invokeMethod(
                    this, [this, &resultado] { m_lote->agrega(resultado); }, Qt::BlockingQueuedConnection);
                return true;
            },
            [this] { return isInterruptionRequested(); });
    QMetaObject::invokeMethod(
        this, [this] { terminaImportacion(); }, Qt::BlockingQueuedConnection);
}

void TImportarXMLHilo::actualizaText()
{
    if (Tx)
        Tx->setText(QString::number(contador));
    if (PB)
        PB->setValue(PB->value() + 1);
}

void TImportarXMLHilo::procesaArchivoXML()
{
    m_lote->importa(nombreArchivoXML);
}

void TImportarXMLHilo::terminaImportacion()
{
    m_lote->confirma();
    m_reporte.cierra();
}
