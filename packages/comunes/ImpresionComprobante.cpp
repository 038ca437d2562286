#include "LienzoImpresion.h"

#include "Cfdi.h"
#include "Cfdv32.h"
#include "Cfdv33.h"
#include "Constantes.h"
#include "DocumentoXML.h"
#include "Errores.h"

#include <QFileInfo>
#include <QImage>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>
#include <QUrl>

#include <qrencode.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace ImpresionComprobante {

namespace {

// Amount in words and payment on the left, totals on the right.
void totales(TLienzo& l, const TModelo& m)
{
    const QRectF area = l.area();
    qreal anchoDerecha = area.width() * 0.40;
    std::vector<std::pair<std::unique_ptr<TParrafo>, std::unique_ptr<TParrafo>>> filas;
    qreal altoDerecha = 0;
    const auto llena = [&]() {
        filas.clear();
        altoDerecha = 0;
        qreal falta = 0;
        for (const TPar& par : m.totales) {
            const bool total = par.etiqueta == QStringLiteral("Total");
            const qreal puntos = total ? 9 : 7.5;
            const qreal anchoValor = anchoDerecha * 0.45 - l.mm(2);
            filas.emplace_back(
                std::make_unique<TParrafo>(par.etiqueta, fuente(puntos, true), anchoDerecha * 0.55, l.dispositivo()),
                esNumero(par.valor) ? numero(par.valor, puntos, total, anchoValor, l.dispositivo())
                                    : std::make_unique<TParrafo>(par.valor, fuente(puntos, total), anchoValor,
                                                                 l.dispositivo(), Qt::AlignRight));
            falta = std::max(falta, filas.back().second->anchoNatural() - anchoValor);
            altoDerecha += std::max(filas.back().first->alto(), filas.back().second->alto()) + l.mm(0.8);
        }
        return falta;
    };
    // An amount too long even in the smallest type widens the box.
    if (const qreal falta = llena(); falta > 0) {
        anchoDerecha += falta / 0.45;
        llena();
    }
    const qreal anchoIzquierda = area.width() - anchoDerecha - l.mm(6);
    const TParrafo letra(m.letra, fuente(7.5, true), anchoIzquierda, l.dispositivo());
    qreal altoPago = 0;
    dibujaPares(l, m.pago, 2, 0, anchoIzquierda, altoPago, true);
    const qreal altoLetra = m.letra.isEmpty() ? 0 : letra.alto() + l.mm(1.5);
    const qreal altoIzquierda = altoLetra + altoPago;
    l.asegura(std::max(altoIzquierda, altoDerecha) + l.mm(3));
    l.y += l.mm(3);
    const qreal y0 = l.y;
    if (QPainter* p = l.pintor()) {
        p->setPen(Qt::black);
        letra.dibuja(p, QPointF(area.left(), y0));
        qreal y = y0;
        const qreal x = area.right() - anchoDerecha;
        p->fillRect(QRectF(x, y0 - l.mm(1), anchoDerecha, altoDerecha + l.mm(1.5)), COLOR_FONDO);
        for (const auto& [etiqueta, valor] : filas) {
            // An amount in a smaller type stands on its label's baseline.
            const qreal base = std::max(etiqueta->ascenso(), valor->ascenso());
            p->setPen(COLOR_TITULO);
            etiqueta->dibuja(p, QPointF(x + l.mm(2), y + base - etiqueta->ascenso()));
            p->setPen(Qt::black);
            valor->dibuja(p, QPointF(x + anchoDerecha * 0.55, y + base - valor->ascenso()));
            y += std::max(etiqueta->alto(), valor->alto()) + l.mm(0.8);
        }
    }
    qreal y = y0 + altoLetra;
    dibujaPares(l, m.pago, 2, area.left(), anchoIzquierda, y);
    l.y = y0 + std::max(altoIzquierda, altoDerecha) + l.mm(1);
}

void dibujaQr(QPainter* p, const QString& texto, const QRectF& caja)
{
    const QByteArray datos = texto.toUtf8();
    QRcode* codigo = QRcode_encodeString(datos.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!codigo)
        return;
    const int n = codigo->width;
    // Four modules of quiet zone around the symbol, as ISO/IEC 18004 asks.
    const qreal modulo = caja.width() / (n + 8);
    p->fillRect(caja, Qt::white);
    for (int fila = 0; fila < n; ++fila) {
        int desde = -1;
        for (int c = 0; c <= n; ++c) {
            const bool oscuro = c < n && (codigo->data[fila * n + c] & 1);
            if (oscuro && desde < 0)
                desde = c;
            if (!oscuro && desde >= 0) {
                p->fillRect(QRectF(caja.left() + (desde + 4) * modulo, caja.top() + (fila + 4) * modulo,
                                   (c - desde) * modulo, modulo),
                            Qt::black);
                desde = -1;
            }
        }
    }
    QRcode_free(codigo);
}

void timbre(TLienzo& l, const TModelo& m)
{
    l.titulo(m.timbre.isEmpty() ? QStringLiteral("Sin timbre fiscal digital")
                                : QStringLiteral("Timbre fiscal digital"));
    QList<TPar> datos = m.timbre;
    datos.append({QStringLiteral("Verificación del sello"), m.verificacion});
    const qreal lado = m.qr.isEmpty() ? 0 : l.mm(32);
    const qreal x = l.area().left() + (lado > 0 ? lado + l.mm(4) : 0);
    const qreal ancho = l.area().right() - x;
    qreal alto = 0;
    dibujaPares(l, datos, 1, x, ancho, alto, true);
    l.asegura(std::max(alto, lado));
    const qreal y0 = l.y;
    if (lado > 0 && l.pintor())
        dibujaQr(l.pintor(), m.qr, QRectF(l.area().left(), y0, lado, lado));
    qreal y = y0;
    dibujaPares(l, datos, 1, x, ancho, y);
    l.y = y0 + std::max(alto, lado) + l.mm(1);
    for (const TPar& s : m.sellos) {
        l.asegura(l.mm(8));
        l.y += l.mm(1);
        l.parrafo(s.etiqueta, fuente(7, true), 0, COLOR_TITULO);
        // Base64 breaks at its slashes into ragged lines: seals fill each line.
        l.parrafo(s.valor, fuente(6.2), 0, Qt::black, 0, QTextOption::WrapAnywhere);
    }
}

void dibujaModelo(TLienzo& l, const TModelo& m)
{
    ladoALado(l, QStringLiteral("Emisor"), m.emisor, QStringLiteral("Receptor"), m.receptor);
    l.titulo(QStringLiteral("Datos del comprobante"));
    pares(l, m.comprobante, 3);
    if (!m.relacionados.pares.isEmpty()) {
        l.titulo(m.relacionados.titulo);
        pares(l, m.relacionados.pares, 1);
    }
    tabla(l, m.conceptos);
    if (!m.impuestos.filas.isEmpty())
        tabla(l, m.impuestos);
    totales(l, m);
    for (const TSeccion& s : m.complementos) {
        l.titulo(s.titulo);
        pares(l, s.pares, 3);
        for (const TTabla& t : s.tablas) {
            TTabla sub = t;
            if (!sub.titulo.isEmpty()) {
                // Subtables of a section: a lighter caption than a section title.
                const TParrafo titulo(sub.titulo, fuente(7.5, true), l.area().width(), l.dispositivo());
                // With the table's header and first row, never alone at the foot.
                l.asegura(titulo.alto() + l.mm(14));
                l.y += l.mm(1.5);
                l.texto(titulo, l.area().left(), COLOR_TITULO);
                l.y += titulo.alto() + l.mm(0.5);
                sub.titulo.clear();
            }
            tabla(l, sub);
        }
    }
    timbre(l, m);
}

TEncabezado encabezado(const TModelo& m, const TComprobante& comprobante)
{
    const QByteArray& logo = comprobante.logo;
    TEncabezado e{m.nombreEmisor.isEmpty() ? m.rfcEmisor : m.nombreEmisor,
                  m.rfcEmisor,
                  m.tipo,
                  m.serieFolio,
                  m.uuid,
                  m.version,
                  {},
                  {}};
    if (!logo.isEmpty())
        e.logo = QImage::fromData(logo);
    QStringList avisos;
    if (comprobante.cancelado)
        avisos << (comprobante.fechaCancelacion.isValid()
                       ? QStringLiteral("CANCELADO ANTE EL SAT el %1")
                             .arg(comprobante.fechaCancelacion.toString(QStringLiteral("dd/MM/yyyy")))
                       : QStringLiteral("CANCELADO ANTE EL SAT"));
    if (!m.alerta.isEmpty())
        avisos << m.alerta;
    e.aviso = avisos.join(QStringLiteral(" · "));
    return e;
}

// ---------------------------------------------------------------------------
// Amount in words.

const char* const UNIDADES[] = {
    "",           "UN",         "DOS",        "TRES",         "CUATRO",      "CINCO",      "SEIS",
    "SIETE",      "OCHO",       "NUEVE",      "DIEZ",         "ONCE",        "DOCE",       "TRECE",
    "CATORCE",    "QUINCE",     "DIECISÉIS",  "DIECISIETE",   "DIECIOCHO",   "DIECINUEVE", "VEINTE",
    "VEINTIÚN",   "VEINTIDÓS",  "VEINTITRÉS", "VEINTICUATRO", "VEINTICINCO", "VEINTISÉIS", "VEINTISIETE",
    "VEINTIOCHO", "VEINTINUEVE"};
const char* const DECENAS[] = {"",          "",        "",        "TREINTA", "CUARENTA",
                               "CINCUENTA", "SESENTA", "SETENTA", "OCHENTA", "NOVENTA"};
const char* const CENTENAS[] = {"",           "CIENTO",      "DOSCIENTOS",  "TRESCIENTOS", "CUATROCIENTOS",
                                "QUINIENTOS", "SEISCIENTOS", "SETECIENTOS", "OCHOCIENTOS", "NOVECIENTOS"};

// 1..99. Before a noun ("pesos", "mil", "millones") one is "UN"
// ("VEINTIÚN PESOS"); standing alone it is "UNO" ("VEINTIUNO").
QString decenas(int n, bool apocope)
{
    if (n == 1)
        return apocope ? QStringLiteral("UN") : QStringLiteral("UNO");
    if (n == 21)
        return apocope ? QStringLiteral("VEINTIÚN") : QStringLiteral("VEINTIUNO");
    if (n < 30)
        return QString::fromUtf8(UNIDADES[n]);
    const QString d = QString::fromUtf8(DECENAS[n / 10]);
    return n % 10 == 0 ? d : d + QStringLiteral(" Y ") + decenas(n % 10, apocope);
}

QString centenas(int n, bool apocope)
{
    if (n == 100)
        return QStringLiteral("CIEN");
    const QString c = QString::fromUtf8(CENTENAS[n / 100]);
    const int resto = n % 100;
    if (resto == 0)
        return c;
    return c.isEmpty() ? decenas(resto, apocope) : c + QLatin1Char(' ') + decenas(resto, apocope);
}

// 1..999,999.
QString miles(qint64 n, bool apocope)
{
    const int m = int(n / 1000);
    const int resto = int(n % 1000);
    QString texto;
    if (m == 1)
        texto = QStringLiteral("MIL");
    else if (m > 1)
        texto = centenas(m, true) + QStringLiteral(" MIL");
    if (resto > 0)
        texto = texto.isEmpty() ? centenas(resto, apocope) : texto + QLatin1Char(' ') + centenas(resto, apocope);
    return texto;
}

QString enLetras(qint64 n, bool apocope)
{
    if (n == 0)
        return QStringLiteral("CERO");
    const qint64 millones = n / 1'000'000;
    const qint64 resto = n % 1'000'000;
    QString texto;
    if (millones == 1)
        texto = QStringLiteral("UN MILLÓN");
    else if (millones > 1)
        texto = miles(millones, true) + QStringLiteral(" MILLONES");
    if (resto > 0)
        texto = texto.isEmpty() ? miles(resto, apocope) : texto + QLatin1Char(' ') + miles(resto, apocope);
    return texto;
}

QString tt32(const TDecimal& total)
{
    // A 3.2 total may be below zero; the figures keep their width and the
    // sign goes in front, so the address never shows another amount.
    const qint64 m = std::abs(total.millonesimos());
    return QStringLiteral("%1%2.%3")
        .arg(total.millonesimos() < 0 ? QStringLiteral("-") : QString())
        .arg(m / TDecimal::ESCALA, 10, 10, QLatin1Char('0'))
        .arg(m % TDecimal::ESCALA, 6, 10, QLatin1Char('0'));
}

// 3.3 and 4.0: the total without the zeros that carry no value, one decimal
// kept ("1000.0", "2010.01").
QString tt33(const TDecimal& total)
{
    QString t = total.texto();
    if (!t.contains(QLatin1Char('.')))
        t += QStringLiteral(".0");
    return t;
}

QString rfcEnDireccion(const QString& rfc)
{
    // "&" would end the parameter and "Ñ" is no URL character: both travel
    // percent-encoded as UTF-8 (RFC 3986), as any browser would send them.
    return QString::fromLatin1(QUrl::toPercentEncoding(rfc.trimmed()));
}

} // namespace

QString importeConLetra(const TDecimal& importe, const QString& moneda)
{
    const qint64 m = importe.millonesimos();
    const qint64 centavosTotales = (std::abs(m) + 5'000) / 10'000;
    const qint64 enteros = centavosTotales / 100;
    const int centavos = int(centavosTotales % 100);
    const QString codigo = codigoMoneda(moneda);
    QString singular, plural, sufijo;
    if (codigo == QStringLiteral("MXN")) {
        singular = QStringLiteral("PESO");
        plural = QStringLiteral("PESOS");
        sufijo = QStringLiteral("M.N.");
    } else if (codigo == QStringLiteral("USD")) {
        singular = QStringLiteral("DÓLAR");
        plural = QStringLiteral("DÓLARES");
        sufijo = codigo;
    } else if (codigo == QStringLiteral("EUR")) {
        singular = QStringLiteral("EURO");
        plural = QStringLiteral("EUROS");
        sufijo = codigo;
    } else
        sufijo = codigo;
    const bool conNombre = !plural.isEmpty();
    QString texto = enLetras(enteros, conNombre);
    if (conNombre) {
        // "UN MILLÓN DE PESOS", "DOS MILLONES DE PESOS".
        if (enteros >= 1'000'000 && enteros % 1'000'000 == 0)
            texto += QStringLiteral(" DE");
        texto += QLatin1Char(' ') + (enteros == 1 ? singular : plural);
    }
    if (m < 0 && centavosTotales > 0)
        texto = QStringLiteral("MENOS ") + texto;
    return QStringLiteral("(%1 %2/100 %3)").arg(texto).arg(centavos, 2, 10, QLatin1Char('0')).arg(sufijo);
}

QString direccionQr(const QByteArray& xml)
{
    try {
        const TDocumentoXML documento = TDocumentoXML::desdeBytes(xml);
        const TNodoXML raiz = documento.raiz();
        const QString version = Cfdi::versionPorContenido(raiz);
        const QString uuid = Cfdi::uuid(raiz);
        if (version.isEmpty() || uuid.isEmpty())
            return {};
        if (version == Constantes::CFDI_32) {
            const Cfdv32::IXMLComprobante c = Cfdv32::GetComprobante(documento);
            TDecimal total;
            if (!TDecimal::intenta(c.Get_total(), total))
                return {};
            return QStringLiteral("?re=%1&rr=%2&tt=%3&id=%4")
                .arg(rfcEnDireccion(c.Get_Emisor().Get_rfc()), rfcEnDireccion(c.Get_Receptor().Get_rfc()), tt32(total),
                     uuid);
        }
        const Cfdv33::TComprobanteComun c(raiz);
        TDecimal total;
        if (!TDecimal::intenta(c.Get_Total(), total))
            return {};
        const QString sello = c.Get_Sello().trimmed();
        return QStringLiteral("https://verificacfdi.facturaelectronica.sat.gob.mx/default.aspx"
                              "?id=%1&re=%2&rr=%3&tt=%4&fe=%5")
            .arg(uuid, rfcEnDireccion(c.hijoPropio("Emisor").atributo("Rfc")),
                 rfcEnDireccion(c.hijoPropio("Receptor").atributo("Rfc")), tt33(total), sello.right(8));
    } catch (const std::exception&) {
        return {};
    }
}

namespace {

// The one layout of a voucher on paper, for the printer and every PDF.
void dibujaComprobante(const TModelo& m, const TComprobante& comprobante, QPagedPaintDevice& dispositivo,
                       QPainter& pintor, bool paginaNueva)
{
    const TEncabezado e = encabezado(m, comprobante);
    TLienzo medida(dispositivo, nullptr, e, 0);
    dibujaModelo(medida, m);
    if (paginaNueva)
        dispositivo.newPage();
    TLienzo lienzo(dispositivo, &pintor, e, medida.paginas());
    dibujaModelo(lienzo, m);
}

const QString SIN_COMPROBANTES = QStringLiteral("No hay comprobantes que imprimir.");
const QString SIN_DIBUJO = QStringLiteral("No se pudo empezar a dibujar en el dispositivo.");

} // namespace

bool dibuja(const QList<TComprobante>& comprobantes, QPagedPaintDevice& dispositivo, QString* error)
{
    // A printer cannot take back a page: every voucher is read before the
    // first is drawn. The callers hand one voucher or a few.
    std::vector<TModelo> modelos(comprobantes.size());
    for (qsizetype i = 0; i < comprobantes.size(); ++i) {
        QString motivo;
        if (!leeModelo(comprobantes[i], modelos[i], motivo)) {
            if (error)
                *error = comprobantes.size() > 1 ? QStringLiteral("Comprobante %1: %2").arg(i + 1).arg(motivo) : motivo;
            return false;
        }
    }
    if (modelos.empty()) {
        if (error)
            *error = SIN_COMPROBANTES;
        return false;
    }
    QPainter pintor;
    if (!pintor.begin(&dispositivo)) {
        if (error)
            *error = SIN_DIBUJO;
        return false;
    }
    pintor.setRenderHint(QPainter::Antialiasing);
    for (size_t i = 0; i < modelos.size(); ++i)
        dibujaComprobante(modelos[i], comprobantes[qsizetype(i)], dispositivo, pintor, i > 0);
    pintor.end();
    return true;
}

bool guardaPdf(const QList<TComprobante>& comprobantes, const QString& archivoPdf, QString* error)
{
    TArchivoPdf archivo(archivoPdf);
    if (!archivo.abre(error))
        return false;
    for (qsizetype i = 0; i < comprobantes.size(); ++i) {
        QString motivo;
        if (!archivo.agrega(comprobantes[i], &motivo)) {
            if (error)
                *error = comprobantes.size() > 1 ? QStringLiteral("Comprobante %1: %2").arg(i + 1).arg(motivo) : motivo;
            return false;
        }
    }
    return archivo.termina(error);
}

namespace {

// QPdfWriter's stream drops everything after its first failed write without
// a word: a disk that has room again by the end would take the rest of the
// buffer and leave a cut PDF. Its writes go through here to the file, so
// the first failure is kept with the system's reason.
class TSalidaPdf : public QIODevice {
public:
    explicit TSalidaPdf(QFileDevice& archivo) : m_archivo(archivo) { open(QIODevice::WriteOnly); }
    // The system's error number of the first write that failed, -1 while
    // every byte went in.
    int fallo() const { return m_fallo; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* datos, qint64 tamano) override
    {
        if (m_fallo >= 0)
            return -1;
        errno = 0;
        if (m_archivo.write(datos, tamano) != tamano) {
            m_fallo = errno;
            return -1;
        }
        return tamano;
    }

private:
    QFileDevice& m_archivo;
    int m_fallo = -1;
};

} // namespace

// Members in this order so that the painter ends before its writer, and the
// writer before the file under it.
struct TArchivoPdf::TDatos {
    QString destino;
    std::unique_ptr<QTemporaryFile> temporal;
    std::unique_ptr<TSalidaPdf> salida;
    std::unique_ptr<QPdfWriter> pdf;
    QPainter pintor;
    int agregados = 0;
};

TArchivoPdf::TArchivoPdf(const QString& archivoPdf) : d(std::make_unique<TDatos>())
{
    d->destino = archivoPdf;
}

TArchivoPdf::~TArchivoPdf() = default;

bool TArchivoPdf::abre(QString* error)
{
    const QFileInfo destino(d->destino);
    d->temporal = std::make_unique<QTemporaryFile>(destino.absolutePath() + QStringLiteral("/.") + destino.fileName() +
                                                   QStringLiteral(".XXXXXX"));
    // Qt's own texts for these failures are English: the system's error
    // number says why in Spanish.
    if (!d->temporal->open()) {
        const int numero = errno;
        if (error)
            *error = QStringLiteral("No se pudo crear el archivo temporal junto a %1: %2")
                         .arg(d->destino, Errores::delSistema(numero));
        return false;
    }
    d->salida = std::make_unique<TSalidaPdf>(*d->temporal);
    d->pdf = std::make_unique<QPdfWriter>(d->salida.get());
    d->pdf->setPageSize(QPageSize(QPageSize::Letter));
    d->pdf->setPageMargins(QMarginsF(0, 0, 0, 0));
    d->pdf->setResolution(300);
    d->pdf->setCreator(QStringLiteral("Velkor"));
    d->pdf->setTitle(QStringLiteral("CFDI"));
    if (!d->pintor.begin(d->pdf.get())) {
        if (error)
            *error = SIN_DIBUJO;
        return false;
    }
    d->pintor.setRenderHint(QPainter::Antialiasing);
    return true;
}

bool TArchivoPdf::agrega(const TComprobante& comprobante, QString* motivo)
{
    if (!d->pintor.isActive()) {
        if (motivo)
            *motivo = SIN_DIBUJO;
        return false;
    }
    TModelo m;
    QString razon;
    if (!leeModelo(comprobante, m, razon)) {
        if (motivo)
            *motivo = razon;
        return false;
    }
    dibujaComprobante(m, comprobante, *d->pdf, d->pintor, d->agregados > 0);
    ++d->agregados;
    return true;
}

int TArchivoPdf::agregados() const
{
    return d->agregados;
}

bool TArchivoPdf::termina(QString* error)
{
    if (!d->pintor.isActive()) {
        if (error)
            *error = SIN_DIBUJO;
        return false;
    }
    if (d->agregados == 0) {
        if (error)
            *error = SIN_COMPROBANTES;
        return false;
    }
    d->pintor.end();
    d->pdf.reset();
    QTemporaryFile& temporal = *d->temporal;
    if (d->salida->fallo() >= 0 || !temporal.flush() || ::fsync(temporal.handle()) != 0) {
        const int numero = d->salida->fallo() >= 0 ? d->salida->fallo() : errno;
        if (error)
            *error = QStringLiteral("No se pudo escribir %1: %2").arg(d->destino, Errores::delSistema(numero));
        return false;
    }
    temporal.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // rename(2) replaces a previous copy in one step: a reader sees the old
    // PDF or the new one, never half of it.
    if (::rename(QFile::encodeName(temporal.fileName()).constData(), QFile::encodeName(d->destino).constData()) != 0) {
        if (error)
            *error = QStringLiteral("No se pudo guardar %1: %2").arg(d->destino, Errores::delSistema(errno));
        return false;
    }
    temporal.setAutoRemove(false);
    return true;
}

} // namespace ImpresionComprobante
