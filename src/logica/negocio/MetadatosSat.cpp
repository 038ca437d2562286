#include "MetadatosSat.h"

#include <QByteArrayView>
#include <QFile>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The fields of TFilaMetadatos, in the order of m_columnas.
enum TCampo {
    Uuid,
    RfcEmisor,
    NombreEmisor,
    RfcReceptor,
    NombreReceptor,
    RfcPac,
    FechaEmision,
    FechaCertificacion,
    Monto,
    Efecto,
    Estatus,
    FechaCancelacion,
    RfcTerceros,
    NombreTerceros,
    TOTAL_CAMPOS
};

// The header's names, in lower case.
constexpr std::array<const char*, TOTAL_CAMPOS> NOMBRES{"uuid",
                                                        "rfcemisor",
                                                        "nombreemisor",
                                                        "rfcreceptor",
                                                        "nombrereceptor",
                                                        "rfcpac",
                                                        "fechaemision",
                                                        "fechacertificacionsat",
                                                        "monto",
                                                        "efectocomprobante",
                                                        "estatus",
                                                        "fechacancelacion",
                                                        "rfcacuentaterceros",
                                                        "nombreacuentaterceros"};

constexpr char BOM[] = "\xEF\xBB\xBF";
// Longer than any row the SAT writes by far; a longer one is not a row, and
// is not kept in memory whole.
constexpr qsizetype LINEA_MAXIMA = 1 << 20;
// What esArchivoMetadatos reads of a file.
constexpr qint64 PRIMERA_LINEA_MAXIMA = 4096;

bool espacio(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

QByteArrayView recorta(QByteArrayView texto)
{
    qsizetype inicio = 0;
    qsizetype fin = texto.size();
    while (inicio < fin && espacio(texto.at(inicio)))
        ++inicio;
    while (fin > inicio && espacio(texto.at(fin - 1)))
        --fin;
    return texto.sliced(inicio, fin - inicio);
}

QByteArrayView sinBom(QByteArrayView texto)
{
    return texto.startsWith(QByteArrayView(BOM, 3)) ? texto.sliced(3) : texto;
}

using TPartes = QVarLengthArray<QByteArrayView, 16>;

void divide(QByteArrayView linea, TPartes& partes)
{
    partes.clear();
    const char* p = linea.data();
    const char* const fin = p + linea.size();
    for (;;) {
        const auto* tilde = static_cast<const char*>(std::memchr(p, '~', size_t(fin - p)));
        if (!tilde) {
            partes.append(QByteArrayView(p, fin - p));
            return;
        }
        partes.append(QByteArrayView(p, tilde - p));
        p = tilde + 1;
    }
}

// The kind of file a header announces, and where each field is.
TLectorMetadatos::TTipo analiza(QByteArrayView linea, QList<int>* columnas, int* campos)
{
    using TTipo = TLectorMetadatos::TTipo;
    linea = sinBom(linea);
    if (const qsizetype salto = linea.indexOf('\n'); salto >= 0)
        linea = linea.first(salto);
    QList<int> posiciones(TOTAL_CAMPOS, -1);
    TPartes partes;
    divide(linea, partes);
    for (int i = 0; i < partes.size(); ++i) {
        const QByteArray nombre = recorta(partes.at(i)).toByteArray().toLower();
        for (int c = 0; c < TOTAL_CAMPOS; ++c) {
            if (posiciones.at(c) < 0 && nombre == NOMBRES[c]) {
                posiciones[c] = i;
                break;
            }
        }
    }
    const auto hay = [&](TCampo c) { return posiciones.at(c) >= 0; };
    TTipo tipo = TTipo::Ninguno;
    if (hay(Uuid) && hay(RfcEmisor) && hay(RfcReceptor) && hay(Estatus))
        tipo = TTipo::Metadatos;
    else if (hay(Uuid) && hay(RfcTerceros) && !hay(RfcEmisor))
        tipo = TTipo::Terceros;
    if (columnas)
        *columnas = posiciones;
    if (campos)
        *campos = int(partes.size());
    return tipo;
}

bool hexadecimal(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool esUuid(QByteArrayView texto)
{
    if (texto.size() != 36)
        return false;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const bool guion = i == 8 || i == 13 || i == 18 || i == 23;
        if (guion ? texto.at(i) != '-' : !hexadecimal(texto.at(i)))
            return false;
    }
    return true;
}

// Signerutils::esRfcValido's rule, without a regular expression: it runs
// twice per row, and a package holds up to a million rows.
bool esRfc(const QString& rfc)
{
    const qsizetype letras = rfc.size() - 9;
    if (letras != 3 && letras != 4)
        return false;
    const auto enRango = [](QChar c, char desde, char hasta) {
        return c >= QLatin1Char(desde) && c <= QLatin1Char(hasta);
    };
    for (qsizetype i = 0; i < rfc.size(); ++i) {
        const QChar c = rfc.at(i);
        const bool valido = i < letras       ? enRango(c, 'A', 'Z') || c == QChar(0x00D1) || c == QLatin1Char('&')
                            : i < letras + 6 ? enRango(c, '0', '9')
                                             : enRango(c, 'A', 'Z') || enRango(c, '0', '9');
        if (!valido)
            return false;
    }
    return true;
}

// A decimal with a dot, as the SAT writes amounts: "1234.50", "-3".
bool esMonto(QByteArrayView texto)
{
    qsizetype i = 0;
    if (i < texto.size() && texto.at(i) == '-')
        ++i;
    const auto digitos = [&] {
        const qsizetype inicio = i;
        while (i < texto.size() && texto.at(i) >= '0' && texto.at(i) <= '9')
            ++i;
        return i > inicio;
    };
    if (!digitos())
        return false;
    if (i < texto.size() && texto.at(i) == '.') {
        ++i;
        if (!digitos())
            return false;
    }
    return i == texto.size();
}

} // namespace

TLectorMetadatos::TLectorMetadatos(TFila fila, TError error) : m_fila(std::move(fila)), m_error(std::move(error)) {}

bool TLectorMetadatos::agrega(const char* datos, qint64 largo)
{
    if (m_detenido || m_tipo == TTipo::Ninguno)
        return false;
    const char* p = datos;
    const char* const fin = datos + largo;
    while (p < fin) {
        const auto* salto = static_cast<const char*>(std::memchr(p, '\n', size_t(fin - p)));
        if (!salto) {
            pendiente(p, fin - p);
            break;
        }
        if (!terminaLinea(p, salto)) {
            // A line feed inside a field: the line goes on.
            pendiente(p, salto + 1 - p);
            p = salto + 1;
            continue;
        }
        bool sigue;
        if (m_larga) {
            sigue = lineaLarga();
        } else if (m_pendiente.isEmpty()) {
            sigue = linea(QByteArray::fromRawData(p, salto - p));
        } else {
            m_pendiente.append(p, salto - p);
            sigue = linea(m_pendiente);
        }
        m_pendiente.resize(0);
        m_larga = false;
        m_previo = '\n';
        p = salto + 1;
        if (!sigue)
            return false;
    }
    return !m_detenido;
}

bool TLectorMetadatos::termina()
{
    if (m_detenido || m_tipo == TTipo::Ninguno)
        return false;
    if (m_larga || !m_pendiente.isEmpty()) {
        const bool sigue = m_larga ? lineaLarga() : linea(m_pendiente);
        m_pendiente.resize(0);
        m_larga = false;
        if (!sigue)
            return false;
    }
    if (m_tipo == TTipo::Desconocido) {
        // An empty file.
        m_tipo = TTipo::Ninguno;
        return false;
    }
    return !m_detenido;
}

void TLectorMetadatos::pendiente(const char* datos, qint64 largo)
{
    if (largo <= 0)
        return;
    m_previo = datos[largo - 1];
    if (m_larga)
        return;
    if (m_pendiente.size() + largo > LINEA_MAXIMA) {
        m_larga = true;
        m_pendiente.clear();
        return;
    }
    m_pendiente.append(datos, qsizetype(largo));
}

bool TLectorMetadatos::terminaLinea(const char* inicio, const char* salto) const
{
    // The SAT ends its lines with CRLF and a name may hold a bare line feed;
    // in such a file a bare one ends a line only when the line already has
    // all its fields (a file whose rows were saved with LF alone).
    if (!m_soloCrlf)
        return true;
    const char previo = salto > inicio ? salto[-1] : m_previo;
    if (previo == '\r' || m_larga)
        return true;
    const auto tildes = [](const char* d, qsizetype n) { return qsizetype(std::count(d, d + n, '~')); };
    return tildes(m_pendiente.constData(), m_pendiente.size()) + tildes(inicio, salto - inicio) + 1 >= m_campos;
}

TLectorMetadatos::TTipo TLectorMetadatos::tipoDe(const QByteArray& primeraLinea)
{
    return analiza(primeraLinea, nullptr, nullptr);
}

bool TLectorMetadatos::esArchivoMetadatos(const QString& ruta)
{
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::ReadOnly))
        return false;
    const QByteArray inicio = archivo.read(PRIMERA_LINEA_MAXIMA);
    // A header that does not end within what was read is not the SAT's.
    if (!inicio.contains('\n') && !archivo.atEnd())
        return false;
    const TTipo tipo = tipoDe(inicio);
    return tipo == TTipo::Metadatos || tipo == TTipo::Terceros;
}

bool TLectorMetadatos::lineaLarga()
{
    ++m_linea;
    if (m_tipo == TTipo::Desconocido) {
        m_tipo = TTipo::Ninguno;
        return false;
    }
    ++m_rechazadas;
    if (!m_error(m_linea, QStringLiteral("La línea es demasiado larga para ser un renglón de metadatos.")))
        m_detenido = true;
    return !m_detenido;
}

bool TLectorMetadatos::linea(const QByteArray& texto)
{
    const int numero = ++m_linea;
    QByteArrayView vista(texto);
    // Line feeds inside a field (a CRLF file) count as lines for the numbers
    // the user is told.
    m_linea += int(std::count(vista.begin(), vista.end(), '\n'));
    while (!vista.isEmpty() && (vista.back() == '\r' || vista.back() == '\n'))
        vista.chop(1);
    if (m_tipo == TTipo::Desconocido) {
        m_tipo = analiza(vista, &m_columnas, &m_campos);
        m_soloCrlf = texto.endsWith('\r');
        return m_tipo != TTipo::Ninguno;
    }
    if (recorta(vista).isEmpty())
        return true;

    const auto rechaza = [&](const QString& motivo) {
        ++m_rechazadas;
        if (!m_error(numero, motivo))
            m_detenido = true;
        return !m_detenido;
    };
    TPartes partes;
    divide(vista, partes);
    if (partes.size() != m_campos)
        return rechaza(QStringLiteral("El renglón tiene %1 campos y el encabezado %2; se omitió.")
                           .arg(partes.size())
                           .arg(m_campos));
    const auto campo = [&](TCampo c) {
        const int posicion = m_columnas.at(c);
        return posicion < 0 ? QByteArrayView() : recorta(partes.at(posicion));
    };
    const auto decodifica = [&](TCampo c) { return QString::fromUtf8(campo(c)); };

    TFilaMetadatos fila;
    fila.linea = numero;
    const QByteArrayView uuid = campo(Uuid);
    if (!esUuid(uuid))
        return rechaza(uuid.isEmpty() ? QStringLiteral("Falta el UUID.")
                                      : QStringLiteral("El UUID \"%1\" no tiene la forma del SAT (8-4-4-4-12 "
                                                       "dígitos hexadecimales).")
                                            .arg(QString::fromUtf8(uuid)));
    fila.uuid = QString::fromLatin1(uuid).toUpper();

    const auto rfc = [&](TCampo c, bool requerido, const QString& de, QString& destino) {
        destino = decodifica(c).toUpper();
        if (destino.isEmpty()) {
            if (requerido)
                rechaza(QStringLiteral("Falta el RFC %1.").arg(de));
            return !requerido;
        }
        if (!esRfc(destino)) {
            rechaza(QStringLiteral("El RFC %1 \"%2\" no es un RFC válido.").arg(de, destino));
            return false;
        }
        return true;
    };
    if (m_tipo == TTipo::Terceros) {
        if (!rfc(RfcTerceros, true, QStringLiteral("a cuenta de terceros"), fila.rfcACuentaTerceros))
            return !m_detenido;
        fila.nombreACuentaTerceros = decodifica(NombreTerceros);
    } else {
        if (!rfc(RfcEmisor, true, QStringLiteral("del emisor"), fila.rfcEmisor) ||
            !rfc(RfcReceptor, true, QStringLiteral("del receptor"), fila.rfcReceptor) ||
            !rfc(RfcTerceros, false, QStringLiteral("a cuenta de terceros"), fila.rfcACuentaTerceros))
            return !m_detenido;
        if (m_columnas.at(Monto) >= 0 && !esMonto(campo(Monto)))
            return rechaza(QStringLiteral("El monto \"%1\" no es un número con punto decimal.")
                               .arg(QString::fromUtf8(campo(Monto))));
        const QByteArrayView estatus = campo(Estatus);
        if (estatus.size() != 1 || (estatus.front() != '0' && estatus.front() != '1'))
            return rechaza(QStringLiteral("El estatus \"%1\" no es 0 (cancelado) ni 1 (vigente).")
                               .arg(QString::fromUtf8(estatus)));
        fila.estatus = QString::fromLatin1(estatus);
        fila.nombreEmisor = decodifica(NombreEmisor);
        fila.nombreReceptor = decodifica(NombreReceptor);
        // Not asked for: the PAC's RFC tells nothing the import needs.
        fila.rfcPac = decodifica(RfcPac).toUpper();
        fila.fechaEmision = decodifica(FechaEmision);
        fila.fechaCertificacion = decodifica(FechaCertificacion);
        fila.monto = decodifica(Monto);
        fila.efecto = decodifica(Efecto);
        fila.fechaCancelacion = decodifica(FechaCancelacion);
        fila.nombreACuentaTerceros = decodifica(NombreTerceros);
    }
    ++m_filas;
    if (!m_fila(fila))
        m_detenido = true;
    return !m_detenido;
}
