#include "PaquetesPrueba.h"

#include <QDir>
#include <QFile>
#include <QtEndian>

#include <zip.h>

#include <algorithm>
#include <array>

namespace PaquetesPrueba {

bool escribe(const QString& archivo, const QList<TEntrada>& entradas)
{
    int error = 0;
    zip_t* z = zip_open(QFile::encodeName(archivo).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    for (const TEntrada& e : entradas) {
        const QByteArray nombre = e.nombre.toUtf8();
        zip_int64_t i = -1;
        if (e.nombre.endsWith(QLatin1Char('/'))) {
            i = zip_dir_add(z, nombre.constData(), ZIP_FL_ENC_UTF_8);
        } else {
            // libzip reads the bytes at zip_close; `entradas` outlives it.
            zip_source_t* s = zip_source_buffer(z, e.datos.constData(), zip_uint64_t(e.datos.size()), 0);
            i = zip_file_add(z, nombre.constData(), s, ZIP_FL_ENC_UTF_8);
            if (i < 0)
                zip_source_free(s);
        }
        if (i < 0 ||
            (e.fecha.isValid() && zip_file_set_mtime(z, zip_uint64_t(i), time_t(e.fecha.toSecsSinceEpoch()), 0) != 0)) {
            zip_discard(z);
            return false;
        }
    }
    return zip_close(z) == 0;
}

namespace {

template <class T> T lee(const QByteArray& d, qint64 posicion)
{
    return qFromLittleEndian<T>(d.constData() + posicion);
}

template <class T> void pon(QByteArray& d, T valor)
{
    const T bytes = qToLittleEndian(valor);
    d.append(reinterpret_cast<const char*>(&bytes), sizeof bytes);
}

// Bits in deflate's order: values least significant bit first, Huffman codes
// most significant bit first.
class TBits {
public:
    void pon(quint32 valor, int bits)
    {
        for (int i = 0; i < bits; ++i)
            uno((valor >> i) & 1);
    }
    void codigo(quint32 valor, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
            uno((valor >> i) & 1);
    }
    void ceros(quint64 bits)
    {
        while (bits > 0 && m_usados != 0) {
            uno(0);
            --bits;
        }
        m_bytes.append(qsizetype(bits / 8), '\0');
        for (quint64 i = 0; i < bits % 8; ++i)
            uno(0);
    }
    QByteArray cierra()
    {
        while (m_usados != 0)
            uno(0);
        return m_bytes;
    }

private:
    void uno(quint32 bit)
    {
        m_actual |= quint8(bit << m_usados);
        if (++m_usados == 8) {
            m_bytes.append(char(m_actual));
            m_actual = 0;
            m_usados = 0;
        }
    }
    QByteArray m_bytes;
    quint8 m_actual = 0;
    int m_usados = 0;
};

// One dynamic-Huffman block: a literal zero, then `copias` copies of 258
// bytes at distance 1. Its only codes are the literal 0 ("10"), the end
// ("11"), the length 258 ("0") and the distance 1 ("0"), so each copy takes
// two bits: the most any deflate stream expands (about 1032 to 1).
QByteArray deflateDeCeros(quint64 copias)
{
    TBits b;
    b.pon(1, 1);  // the last block
    b.pon(2, 2);  // dynamic codes
    b.pon(29, 5); // 286 literal and length codes
    b.pon(0, 5);  // 1 distance code
    b.pon(14, 4); // 18 code length code lengths
    // In deflate's order 16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13,
    // 2, 14, 1: only 18 (1 bit), 2 and 1 (2 bits each) are used.
    for (const int largo : {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2})
        b.pon(quint32(largo), 3);
    // The code lengths: 18 is "0", 1 is "10", 2 is "11".
    b.codigo(3, 2); // literal 0: 2 bits
    b.codigo(0, 1); // 138 unused literals
    b.pon(138 - 11, 7);
    b.codigo(0, 1); // 117 more
    b.pon(117 - 11, 7);
    b.codigo(3, 2); // the end: 2 bits
    b.codigo(0, 1); // 28 unused lengths
    b.pon(28 - 11, 7);
    b.codigo(2, 2); // length 258: 1 bit
    b.codigo(2, 2); // distance 1: 1 bit
    b.codigo(2, 2); // the literal 0
    b.ceros(2 * copias);
    b.codigo(3, 2); // the end
    return b.cierra();
}

// The CRC-32 of `largo` zero bytes. A zero byte changes the CRC's register
// linearly, so the change of `largo` bytes is that one raised to `largo`,
// taken by squaring (as zlib's crc32_combine does): no need to run through
// gigabytes.
std::array<quint32, 256> tablaCrc()
{
    std::array<quint32, 256> tabla{};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tabla[n] = c;
    }
    return tabla;
}

quint32 crc(const QByteArray& datos)
{
    static const std::array<quint32, 256> tabla = tablaCrc();
    quint32 registro = 0xFFFFFFFFu;
    for (const char c : datos)
        registro = tabla[(registro ^ quint8(c)) & 0xFF] ^ (registro >> 8);
    return registro ^ 0xFFFFFFFFu;
}

quint32 crcDeCeros(quint64 largo)
{
    const std::array<quint32, 256> tabla = tablaCrc();
    using TMatriz = std::array<quint32, 32>; // column i: the image of bit i
    const auto aplica = [](const TMatriz& m, quint32 v) {
        quint32 r = 0;
        for (int i = 0; v; ++i, v >>= 1)
            if (v & 1)
                r ^= m[i];
        return r;
    };
    TMatriz potencia;
    for (int i = 0; i < 32; ++i) {
        const quint32 bit = 1u << i;
        potencia[i] = tabla[bit & 0xFF] ^ (bit >> 8);
    }
    quint32 registro = 0xFFFFFFFFu;
    while (largo) {
        if (largo & 1)
            registro = aplica(potencia, registro);
        TMatriz cuadrado;
        for (int i = 0; i < 32; ++i)
            cuadrado[i] = aplica(potencia, potencia[i]);
        potencia = cuadrado;
        largo >>= 1;
    }
    return registro ^ 0xFFFFFFFFu;
}

} // namespace

bool danaEntrada(const QString& archivo, const QString& nombre)
{
    QFile f(archivo);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray d = f.readAll();
    // The end of the central directory, the archive having no comment.
    const qint64 fin = d.size() - 22;
    if (fin < 0 || lee<quint32>(d, fin) != 0x06054b50u)
        return false;
    const int total = lee<quint16>(d, fin + 10);
    qint64 p = lee<quint32>(d, fin + 16);
    for (int i = 0; i < total; ++i) {
        if (p + 46 > d.size() || lee<quint32>(d, p) != 0x02014b50u)
            return false;
        const quint32 comprimido = lee<quint32>(d, p + 20);
        const int largoNombre = lee<quint16>(d, p + 28);
        const qint64 local = lee<quint32>(d, p + 42);
        const QString este = QString::fromUtf8(d.mid(p + 46, largoNombre));
        p += 46 + largoNombre + lee<quint16>(d, p + 30) + lee<quint16>(d, p + 32);
        if (este != nombre)
            continue;
        if (comprimido == 0 || local + 30 > d.size())
            return false;
        const qint64 datos = local + 30 + lee<quint16>(d, local + 26) + lee<quint16>(d, local + 28);
        const qint64 medio = datos + comprimido / 2;
        for (qint64 j = medio; j < std::min<qint64>(medio + 4, datos + comprimido); ++j)
            d[j] = char(~d.at(j));
        return f.seek(0) && f.write(d) == d.size();
    }
    return false;
}

bool corta(const QString& archivo, qint64 bytes)
{
    return QFile::resize(archivo, bytes);
}

quint64 bomba(const QString& archivo, int entradas, quint64 expandido, const QByteArray& relleno)
{
    const quint64 copias = (std::max<quint64>(expandido, 2) - 1 + 257) / 258;
    const quint64 real = 1 + 258 * copias;
    if (real >= 0xFFFFFFFFull)
        return 0;
    const QByteArray ceros = deflateDeCeros(copias);
    const quint32 crcCeros = crcDeCeros(real);
    // 2024-01-01 00:00 as MS-DOS writes it.
    const quint16 fecha = quint16(((2024 - 1980) << 9) | (1 << 5) | 1);
    QByteArray zip;
    QByteArray central;
    int total = 0;
    const auto agrega = [&](const QByteArray& nombre, quint16 metodo, const QByteArray& datos, quint32 crc,
                            quint64 largo) {
        const auto local = quint32(zip.size());
        for (const bool enCentral : {false, true}) {
            QByteArray& d = enCentral ? central : zip;
            pon<quint32>(d, enCentral ? 0x02014b50u : 0x04034b50u);
            if (enCentral)
                pon<quint16>(d, 20); // made by MS-DOS: no Unix file type
            pon<quint16>(d, 20);     // version needed
            pon<quint16>(d, 0);      // flags
            pon<quint16>(d, metodo);
            pon<quint16>(d, 0); // time
            pon<quint16>(d, fecha);
            pon<quint32>(d, crc);
            pon<quint32>(d, quint32(datos.size()));
            pon<quint32>(d, quint32(largo));
            pon<quint16>(d, quint16(nombre.size()));
            pon<quint16>(d, 0); // extra field
            if (enCentral) {
                pon<quint16>(d, 0); // comment
                pon<quint16>(d, 0); // disk
                pon<quint16>(d, 0); // internal attributes
                pon<quint32>(d, 0); // external attributes
                pon<quint32>(d, local);
            }
            d.append(nombre);
            if (!enCentral)
                d.append(datos);
        }
        ++total;
    };
    for (int i = 0; i < entradas; ++i)
        agrega(QStringLiteral("ceros_%1.xml").arg(i + 1).toUtf8(), 8, ceros, crcCeros, real);
    if (!relleno.isEmpty())
        agrega("relleno.bin", 0, relleno, crc(relleno), quint64(relleno.size()));
    const auto inicioCentral = quint32(zip.size());
    zip.append(central);
    pon<quint32>(zip, 0x06054b50u);
    pon<quint16>(zip, 0);
    pon<quint16>(zip, 0);
    pon<quint16>(zip, quint16(total));
    pon<quint16>(zip, quint16(total));
    pon<quint32>(zip, quint32(central.size()));
    pon<quint32>(zip, inicioCentral);
    pon<quint16>(zip, 0);
    QFile f(archivo);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(zip) != zip.size())
        return 0;
    return real;
}

QStringList comprobantes()
{
    const QDir carpeta(QStringLiteral(VELKOR_DATOS_PRUEBA "/cfdi"));
    QStringList rutas;
    for (const QString& nombre : carpeta.entryList({QStringLiteral("*.xml")}, QDir::Files, QDir::Name))
        rutas << carpeta.filePath(nombre);
    return rutas;
}

} // namespace PaquetesPrueba
