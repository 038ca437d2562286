#include "VolcadoNegocio.h"

#include "Archivos.h"
#include "CitaSql.h"
#include "Conexiones.h"
#include "Constantes.h"
#include "Dialecto.h"
#include "Esquema.h"
#include "Reloj.h"
#include "SecretoNegocio.h"
#include "Sistema.h"
#include "TDecimal.h"
#include "TEntidad.h"

#include <QByteArrayList>
#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <optional>

using Esquema::cita;

namespace VolcadoNegocio {

namespace {

const QByteArray MARCA = QByteArrayLiteral("velkor-volcado");
const QByteArray ESQUEMA = QByteArrayLiteral("esquema");
const QByteArray TABLA = QByteArrayLiteral("tabla");
const QByteArray FILA = QByteArrayLiteral("fila");
const QByteArray FIN_TABLA = QByteArrayLiteral("fin-tabla");
const QByteArray FIN = QByteArrayLiteral("fin");
const QByteArray NULO = QByteArrayLiteral("\\N");
const QString FORMATO_FECHA = QStringLiteral("yyyy-MM-dd");
const QString FORMATO_HORA = QStringLiteral("HH:mm:ss.zzz");

// Rows read per statement while writing: enough to keep the statements few,
// few enough that a batch of vouchers with their XML stays a few megabytes.
constexpr int FILAS_POR_LECTURA = 200;

struct TNombreTipo {
    TTipoColumna tipo;
    const char* nombre;
};
constexpr TNombreTipo TIPOS[] = {
    {TTipoColumna::Id, "id"},         {TTipoColumna::Texto, "texto"},         {TTipoColumna::Entero, "entero"},
    {TTipoColumna::Grande, "grande"}, {TTipoColumna::Decimal, "decimal"},     {TTipoColumna::Booleano, "booleano"},
    {TTipoColumna::Fecha, "fecha"},   {TTipoColumna::FechaHora, "fechahora"}, {TTipoColumna::Binario, "binario"},
    {TTipoColumna::Ref, "ref"},
};

QByteArray nombreTipo(TTipoColumna tipo)
{
    for (const TNombreTipo& t : TIPOS)
        if (t.tipo == tipo)
            return t.nombre;
    return {};
}

std::optional<TTipoColumna> tipoDe(const QByteArray& nombre)
{
    for (const TNombreTipo& t : TIPOS)
        if (nombre == t.nombre)
            return t.tipo;
    return std::nullopt;
}

const TTabla* tablaLlamada(const QString& nombre)
{
    for (const TTabla& t : Esquema::tablas())
        if (t.nombre == nombre)
            return &t;
    return nullptr;
}

int columnaLlamada(const TTabla& tabla, const QString& nombre)
{
    for (int i = 0; i < tabla.columnas.size(); ++i)
        if (tabla.columnas.at(i).nombre == nombre)
            return i;
    return -1;
}

// --- Values

QByteArray escapa(const QString& texto)
{
    const QByteArray utf8 = texto.toUtf8();
    if (!std::any_of(utf8.cbegin(), utf8.cend(),
                     [](char c) { return c == '\\' || c == '\t' || c == '\n' || c == '\r'; }))
        return utf8;
    QByteArray resultado;
    resultado.reserve(utf8.size() + 16);
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            resultado += "\\\\";
            break;
        case '\t':
            resultado += "\\t";
            break;
        case '\n':
            resultado += "\\n";
            break;
        case '\r':
            resultado += "\\r";
            break;
        default:
            resultado += c;
        }
    }
    return resultado;
}

bool desescapa(const QByteArray& campo, QString& texto)
{
    QByteArray bytes;
    if (!campo.contains('\\')) {
        bytes = campo;
    } else {
        bytes.reserve(campo.size());
        for (qsizetype i = 0; i < campo.size(); ++i) {
            if (campo.at(i) != '\\') {
                bytes += campo.at(i);
                continue;
            }
            if (++i == campo.size())
                return false;
            switch (campo.at(i)) {
            case '\\':
                bytes += '\\';
                break;
            case 't':
                bytes += '\t';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 'r':
                bytes += '\r';
                break;
            default:
                return false;
            }
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    texto = utf8.decode(bytes);
    return !utf8.hasError();
}

QByteArray codifica(const TColumna& columna, const QVariant& valor)
{
    if (valor.isNull() || !valor.isValid())
        return NULO;
    switch (columna.tipo) {
    case TTipoColumna::Id:
    case TTipoColumna::Entero:
    case TTipoColumna::Ref:
    case TTipoColumna::Booleano:
        return QByteArray::number(valor.toInt());
    case TTipoColumna::Grande:
        return QByteArray::number(valor.toLongLong());
    case TTipoColumna::Decimal:
        return valor.value<TDecimal>().texto().toLatin1();
    case TTipoColumna::Texto:
        return escapa(valor.toString());
    case TTipoColumna::Fecha:
        return valor.toDate().toString(FORMATO_FECHA).toLatin1();
    case TTipoColumna::FechaHora: {
        const QDateTime momento = valor.toDateTime();
        return (momento.date().toString(FORMATO_FECHA) + QLatin1Char('T') + momento.time().toString(FORMATO_HORA))
            .toLatin1();
    }
    case TTipoColumna::Binario:
        return valor.toByteArray().toBase64();
    }
    return NULO;
}

// The value of a field, as busca would give it for its column; false when
// the field is no value of that type.
bool decodifica(const TColumna& columna, const QByteArray& campo, QVariant& valor)
{
    if (campo == NULO) {
        valor = QVariant();
        return true;
    }
    bool correcto = false;
    switch (columna.tipo) {
    case TTipoColumna::Id:
    case TTipoColumna::Entero:
    case TTipoColumna::Ref:
        valor = campo.toInt(&correcto);
        return correcto;
    case TTipoColumna::Booleano:
        valor = campo == "1" ? 1 : 0;
        return campo == "0" || campo == "1";
    case TTipoColumna::Grande:
        valor = campo.toLongLong(&correcto);
        return correcto;
    case TTipoColumna::Decimal: {
        TDecimal cantidad;
        if (!TDecimal::intenta(QString::fromLatin1(campo), cantidad))
            return false;
        valor = QVariant::fromValue(cantidad);
        return true;
    }
    case TTipoColumna::Texto: {
        QString texto;
        if (!desescapa(campo, texto))
            return false;
        valor = texto;
        return true;
    }
    case TTipoColumna::Fecha: {
        const QDate fecha = QDate::fromString(QString::fromLatin1(campo), FORMATO_FECHA);
        valor = fecha;
        return fecha.isValid();
    }
    case TTipoColumna::FechaHora: {
        const QString texto = QString::fromLatin1(campo);
        const QDate fecha = QDate::fromString(texto.section(QLatin1Char('T'), 0, 0), FORMATO_FECHA);
        const QTime hora = QTime::fromString(texto.section(QLatin1Char('T'), 1), FORMATO_HORA);
        valor = Reloj::deReloj(fecha, hora);
        return fecha.isValid() && hora.isValid() && texto.count(QLatin1Char('T')) == 1;
    }
    case TTipoColumna::Binario: {
        const QByteArray::FromBase64Result bytes =
            QByteArray::fromBase64Encoding(campo, QByteArray::AbortOnBase64DecodingErrors);
        valor = *bytes;
        return bool(bytes);
    }
    }
    return false;
}

// --- Progress

// Passes the work's progress on to a TAvance once per thousandth: a dump
// of a large business has hundreds of thousands of rows, and each report
// may cross to the window's thread.
class TMedidor {
public:
    TMedidor(const TAvance& avance, qint64 total) : m_avance(avance), m_total(std::max<qint64>(total, 0)) {}

    void va(qint64 hechas)
    {
        if (!m_avance)
            return;
        hechas = std::clamp<qint64>(hechas, 0, m_total);
        const int milesima = m_total > 0 ? int(hechas * 1000 / m_total) : 1000;
        if (hechas == m_hechas || (milesima == m_milesima && hechas != m_total))
            return;
        m_hechas = hechas;
        m_milesima = milesima;
        if (!m_avance(hechas, m_total))
            throw EArchivoCancelado(QStringLiteral("Se canceló."));
    }
    void termina() { va(m_total); }

private:
    const TAvance& m_avance;
    qint64 m_total;
    qint64 m_hechas = -1;
    int m_milesima = -1;
};

// --- Writing

class TEscritor {
public:
    explicit TEscritor(QIODevice& salida) : m_salida(salida) {}

    void linea(const QByteArray& texto)
    {
        m_huella.addData(texto);
        m_huella.addData(QByteArrayView("\n", 1));
        if (m_salida.write(texto) != texto.size() || m_salida.write("\n", 1) != 1) {
            // The system's error number says why in Spanish; Qt's own texts
            // are English.
            const int numero = errno;
            throw EEntradaSalida(QStringLiteral("No se pudo escribir el volcado de la base de datos: %1")
                                     .arg(Errores::delSistema(numero)));
        }
    }
    QByteArray huella() const { return m_huella.result().toHex(); }

private:
    QIODevice& m_salida;
    QCryptographicHash m_huella{QCryptographicHash::Sha256};
};

// --- Reading

class TLector {
public:
    explicit TLector(QIODevice& entrada) : m_entrada(entrada) {}

    // The next line without its "\n"; a dump that ends before its last line
    // is damaged.
    QByteArray siguiente()
    {
        // The line before joins the fingerprint only now, so that while the
        // closing line is read the fingerprint holds what came before it.
        if (m_numero > 0) {
            m_huella.addData(m_actual);
            m_huella.addData(QByteArrayView("\n", 1));
        }
        m_actual = m_entrada.readLine();
        m_leidos += m_actual.size();
        ++m_numero;
        if (!m_actual.endsWith('\n'))
            danado(m_actual.isEmpty() ? QStringLiteral("termina antes de tiempo; el archivo está incompleto")
                                      : QStringLiteral("la última línea está cortada"));
        m_actual.chop(1);
        return m_actual;
    }
    bool alFinal() { return m_entrada.atEnd() && m_entrada.read(1).isEmpty(); }
    QByteArray huellaAnterior() const { return m_huella.result().toHex(); }
    qint64 leidos() const { return m_leidos; }

    [[noreturn]] void danado(const QString& detalle) const
    {
        throw EVolcado(EVolcado::TMotivo::Danado,
                       QStringLiteral("El volcado de la base de datos está dañado (línea %1: %2). Usa otro respaldo.")
                           .arg(m_numero)
                           .arg(detalle));
    }

private:
    QIODevice& m_entrada;
    QByteArray m_actual;
    qint64 m_numero = 0;
    qint64 m_leidos = 0;
    QCryptographicHash m_huella{QCryptographicHash::Sha256};
};

// A table as the dump carries it: which column of the program's table each
// of its fields fills.
struct TTablaVolcada {
    const TTabla* tabla = nullptr;
    QList<int> columnas;
    qint64 filas = 0;
    int ultimaClave = 0;
};

// A reference filled once every row is in: it points at a row that comes
// later in the dump.
struct TReferenciaPendiente {
    const TTabla* tabla;
    int columna;
    int clave;
    int valor;
};

TTablaVolcada leeEncabezado(const QByteArrayList& campos, const TLector& lector)
{
    if (campos.size() < 2)
        lector.danado(QStringLiteral("una tabla sin columnas"));
    const QString nombre = QString::fromUtf8(campos.at(1));
    TTablaVolcada volcada;
    volcada.tabla = tablaLlamada(nombre);
    if (!volcada.tabla)
        throw EVolcado(EVolcado::TMotivo::Desconocido,
                       QStringLiteral("El volcado trae la tabla %1, que esta versión del programa no tiene. Actualiza "
                                      "el programa e inténtalo de nuevo.")
                           .arg(nombre));
    const TTabla& tabla = *volcada.tabla;
    for (qsizetype i = 2; i < campos.size(); ++i) {
        const QByteArray& campo = campos.at(i);
        const qsizetype separador = campo.lastIndexOf(':');
        const QString columna = QString::fromUtf8(campo.left(separador));
        const std::optional<TTipoColumna> tipo = tipoDe(campo.mid(separador + 1));
        if (separador <= 0 || !tipo)
            lector.danado(
                QStringLiteral("la columna \"%1\" de %2 no dice su tipo").arg(QString::fromUtf8(campo), nombre));
        const int posicion = columnaLlamada(tabla, columna);
        if (posicion < 0)
            throw EVolcado(EVolcado::TMotivo::Desconocido,
                           QStringLiteral("El volcado trae la columna %1 de la tabla %2, que esta versión del programa "
                                          "no tiene. Actualiza el programa e inténtalo de nuevo.")
                               .arg(columna, nombre));
        if (tabla.columnas.at(posicion).tipo != *tipo)
            throw EVolcado(EVolcado::TMotivo::Desconocido,
                           QStringLiteral("La columna %1 de la tabla %2 guarda %3 en el volcado y %4 en esta versión "
                                          "del programa. Actualiza el programa e inténtalo de nuevo.")
                               .arg(columna, nombre, QString::fromLatin1(nombreTipo(*tipo)),
                                    QString::fromLatin1(nombreTipo(tabla.columnas.at(posicion).tipo))));
        if (volcada.columnas.contains(posicion))
            lector.danado(QStringLiteral("la columna %1 de %2 viene dos veces").arg(columna, nombre));
        volcada.columnas << posicion;
    }
    if (volcada.columnas.value(0, -1) != 0)
        lector.danado(QStringLiteral("la tabla %1 no empieza por su clave").arg(nombre));
    return volcada;
}

// The target must hold this program's whole schema and no row at all: the
// dump's keys are written as they are, and rows already there would clash
// with them or be mixed with another business's.
void revisaDestino(const TConexionSesion& conexion)
{
    const QStringList presentes = Esquema::tablasPresentes(conexion);
    QStringList faltantes;
    for (const TTabla& t : Esquema::tablas())
        if (!presentes.contains(t.nombre))
            faltantes << t.nombre;
    if (!faltantes.isEmpty() || Esquema::versionRegistrada(conexion) < Esquema::version())
        throw EVolcado(
            EVolcado::TMotivo::DestinoSinEsquema,
            QStringLiteral("La base de datos %1 no tiene la estructura completa de esta versión del "
                           "programa%2; el volcado solo se carga en una base de datos preparada por el "
                           "programa. No se cambió nada.")
                .arg(conexion.descripcion(),
                     faltantes.isEmpty()
                         ? QString()
                         : QStringLiteral(" (le falta %1)").arg(faltantes.mid(0, 3).join(QStringLiteral(", ")))));
    QStringList ocupadas;
    for (const TTabla& t : Esquema::tablas()) {
        const int filas = TPersistencia::cuenta(t, TCondicion(), conexion);
        if (filas > 0)
            ocupadas << QStringLiteral("%1 en %2").arg(filas).arg(t.nombre);
    }
    if (!ocupadas.isEmpty())
        throw EVolcado(EVolcado::TMotivo::DestinoOcupado,
                       QStringLiteral("La base de datos %1 ya tiene registros (%2); el volcado solo se carga en una "
                                      "base de datos vacía. No se cambió nada.")
                           .arg(conexion.descripcion(), ocupadas.mid(0, 3).join(QStringLiteral(", "))));
}

} // namespace

QList<const TTabla*> ordenCarga()
{
    QList<const TTabla*> pendientes;
    for (const TTabla& t : Esquema::tablas())
        pendientes << &t;
    QList<const TTabla*> orden;
    QSet<QString> puestas;
    while (!pendientes.isEmpty()) {
        auto lista = std::find_if(pendientes.begin(), pendientes.end(), [&](const TTabla* t) {
            return std::all_of(t->columnas.cbegin(), t->columnas.cend(), [&](const TColumna& c) {
                return c.tipo != TTipoColumna::Ref || c.destino == t->nombre || puestas.contains(c.destino) ||
                       !tablaLlamada(c.destino);
            });
        });
        if (lista == pendientes.end())
            lista = pendientes.begin();
        orden << *lista;
        puestas.insert((*lista)->nombre);
        pendientes.erase(lista);
    }
    return orden;
}

TResumen escribe(const TConexionSesion& conexion, QIODevice& salida, const TAvance& avance)
{
    // One transaction that is never committed: every table is read at the
    // same moment, whatever other workstations save meanwhile.
    TTransaccion lectura(conexion);
    const QList<const TTabla*> orden = ordenCarga();
    // Counted inside the reading's transaction: the rows about to be written.
    qint64 total = 0;
    if (avance)
        for (const TTabla* tabla : orden)
            total += TPersistencia::cuenta(*tabla, TCondicion(), conexion);
    TMedidor medidor(avance, total);
    medidor.va(0);
    TEscritor escritor(salida);
    TResumen resumen;
    escritor.linea(MARCA + '\t' + QByteArray::number(VERSION_FORMATO) + '\t' + ESQUEMA + '\t' +
                   QByteArray::number(Esquema::version()));
    for (const TTabla* tabla : orden) {
        QByteArray encabezado = TABLA + '\t' + tabla->nombre.toUtf8();
        for (const TColumna& c : tabla->columnas)
            encabezado += '\t' + c.nombre.toUtf8() + ':' + nombreTipo(c.tipo);
        escritor.linea(encabezado);
        qint64 filas = 0;
        int ultima = 0;
        // A batch at a time, each after the last key of the one before:
        // a table of vouchers does not fit in memory at once.
        for (int leidas = FILAS_POR_LECTURA; leidas == FILAS_POR_LECTURA;) {
            leidas = 0;
            const TCondicion siguientes = filas == 0 ? TCondicion() : TCampo(*tabla, 0) > ultima;
            TPersistencia::busca(
                *tabla, siguientes, conexion, TCampo(*tabla, 0).ascendente(),
                [&](const QVector<QVariant>& valores) {
                    QByteArray fila = FILA;
                    for (int i = 0; i < valores.size(); ++i)
                        fila += '\t' + codifica(tabla->columnas.at(i), valores.at(i));
                    escritor.linea(fila);
                    ultima = valores.at(0).toInt();
                    ++leidas;
                    medidor.va(resumen.filas + filas + leidas);
                },
                FILAS_POR_LECTURA);
            filas += leidas;
        }
        escritor.linea(FIN_TABLA + '\t' + tabla->nombre.toUtf8() + '\t' + QByteArray::number(filas));
        ++resumen.tablas;
        resumen.filas += filas;
    }
    escritor.linea(FIN + '\t' + QByteArray::number(resumen.tablas) + '\t' + QByteArray::number(resumen.filas) + '\t' +
                   escritor.huella());
    medidor.termina();
    return resumen;
}

TResumen carga(QIODevice& entrada, const TConexionSesion& conexion, const TAvance& avance)
{
    // A sequential device cannot tell how much is left.
    const TAvance sinTamano;
    TMedidor medidor(entrada.isSequential() ? sinTamano : avance, entrada.size() - entrada.pos());
    medidor.va(0);
    TLector lector(entrada);
    const QByteArrayList cabecera = lector.siguiente().split('\t');
    if (cabecera.size() != 4 || cabecera.at(0) != MARCA || cabecera.at(2) != ESQUEMA)
        throw EVolcado(
            EVolcado::TMotivo::Danado,
            QStringLiteral("El archivo no es un volcado de una base de datos del programa. Usa otro respaldo."));
    bool formatoCorrecto = false;
    bool esquemaCorrecto = false;
    const int formato = cabecera.at(1).toInt(&formatoCorrecto);
    const int esquema = cabecera.at(3).toInt(&esquemaCorrecto);
    if (!formatoCorrecto || !esquemaCorrecto)
        lector.danado(QStringLiteral("la cabecera no dice sus versiones"));
    if (formato > VERSION_FORMATO)
        throw EVolcado(EVolcado::TMotivo::Reciente,
                       QStringLiteral("El volcado se hizo con una versión más reciente del programa (formato %1; esta "
                                      "versión lee hasta el %2). Actualiza el programa e inténtalo de nuevo.")
                           .arg(formato)
                           .arg(VERSION_FORMATO));
    if (esquema > Esquema::version())
        throw EVolcado(EVolcado::TMotivo::Reciente,
                       QStringLiteral("El volcado es de una base de datos más reciente que esta versión del programa "
                                      "(estructura %1; esta versión llega a la %2). Actualiza el programa e inténtalo "
                                      "de nuevo.")
                           .arg(esquema)
                           .arg(Esquema::version()));
    revisaDestino(conexion);

    TTransaccion transaccion(conexion);
    TResumen resumen;
    std::optional<TTablaVolcada> actual;
    QSet<QString> vistas;
    QSet<QString> cargadas;
    QList<TReferenciaPendiente> pendientes;
    QVector<QVariant> valores;
    for (;;) {
        const QByteArray linea = lector.siguiente();
        const QByteArrayList campos = linea.split('\t');
        const QByteArray& tipo = campos.at(0);
        if (tipo == FILA) {
            if (!actual)
                lector.danado(QStringLiteral("una fila fuera de una tabla"));
            const TTabla& tabla = *actual->tabla;
            if (campos.size() != actual->columnas.size() + 1)
                lector.danado(QStringLiteral("una fila de %1 con %2 valores en lugar de %3")
                                  .arg(tabla.nombre)
                                  .arg(campos.size() - 1)
                                  .arg(actual->columnas.size()));
            valores.fill(QVariant(), tabla.columnas.size());
            for (qsizetype i = 1; i < campos.size(); ++i) {
                const int columna = actual->columnas.at(i - 1);
                if (!decodifica(tabla.columnas.at(columna), campos.at(i), valores[columna]))
                    lector.danado(QStringLiteral("el valor de %1 en %2 no es válido")
                                      .arg(tabla.columnas.at(columna).nombre, tabla.nombre));
            }
            if (valores.at(0).isNull())
                lector.danado(QStringLiteral("una fila de %1 sin clave").arg(tabla.nombre));
            const int clave = valores.at(0).toInt();
            if (actual->filas > 0 && clave <= actual->ultimaClave)
                lector.danado(QStringLiteral("las claves de %1 no van en orden").arg(tabla.nombre));
            // A reference to a row not yet in (a later row of the same
            // table, or a table the dump brings later) goes in as NULL and
            // is filled at the end, once that row is there.
            for (int c = 1; c < tabla.columnas.size(); ++c) {
                const TColumna& columna = tabla.columnas.at(c);
                if (columna.tipo != TTipoColumna::Ref || valores.at(c).isNull() || cargadas.contains(columna.destino))
                    continue;
                const int valor = valores.at(c).toInt();
                if (columna.destino == tabla.nombre && valor < clave)
                    continue;
                pendientes.append({&tabla, c, clave, valor});
                valores[c] = QVariant();
            }
            TPersistencia::copia(tabla, valores, conexion);
            actual->ultimaClave = clave;
            ++actual->filas;
            medidor.va(lector.leidos());
        } else if (tipo == TABLA) {
            if (actual)
                lector.danado(QStringLiteral("la tabla %1 no tiene su cierre").arg(actual->tabla->nombre));
            actual = leeEncabezado(campos, lector);
            if (vistas.contains(actual->tabla->nombre))
                lector.danado(QStringLiteral("la tabla %1 viene dos veces").arg(actual->tabla->nombre));
            vistas.insert(actual->tabla->nombre);
        } else if (tipo == FIN_TABLA) {
            if (!actual || campos.size() != 3 || QString::fromUtf8(campos.at(1)) != actual->tabla->nombre)
                lector.danado(QStringLiteral("un cierre de tabla fuera de lugar"));
            if (campos.at(2) != QByteArray::number(actual->filas))
                lector.danado(QStringLiteral("la tabla %1 dice tener %2 filas y trae %3")
                                  .arg(actual->tabla->nombre, QString::fromLatin1(campos.at(2)))
                                  .arg(actual->filas));
            cargadas.insert(actual->tabla->nombre);
            ++resumen.tablas;
            resumen.filas += actual->filas;
            actual.reset();
        } else if (tipo == FIN) {
            if (actual)
                lector.danado(QStringLiteral("la tabla %1 no tiene su cierre").arg(actual->tabla->nombre));
            if (campos.size() != 4 || campos.at(1) != QByteArray::number(resumen.tablas) ||
                campos.at(2) != QByteArray::number(resumen.filas))
                lector.danado(QStringLiteral("el cierre no coincide con las tablas y filas leídas"));
            if (campos.at(3) != lector.huellaAnterior())
                lector.danado(QStringLiteral("su contenido cambió después de escribirse"));
            if (!lector.alFinal())
                lector.danado(QStringLiteral("hay datos después del cierre"));
            break;
        } else {
            lector.danado(QStringLiteral("una línea que no es de un volcado"));
        }
    }

    QHash<QPair<const TTabla*, int>, QString> actualizaciones;
    for (const TReferenciaPendiente& p : std::as_const(pendientes)) {
        const auto llave = qMakePair(p.tabla, p.columna);
        if (!actualizaciones.contains(llave))
            actualizaciones.insert(llave, QStringLiteral("UPDATE %1 SET %2 = ? WHERE %3 = ?")
                                              .arg(cita(p.tabla->nombre), cita(p.tabla->columnas.at(p.columna).nombre),
                                                   cita(p.tabla->clave().nombre)));
        const auto q = Conexiones::consultaPreparada(conexion, actualizaciones.value(llave));
        q->bindValue(0, p.valor);
        q->bindValue(1, p.clave);
        if (!q->exec())
            throw EBaseDatos(TDialecto::falla(QStringLiteral("cargar la referencia %1 del registro %2 de %3")
                                                  .arg(p.tabla->columnas.at(p.columna).nombre)
                                                  .arg(p.clave)
                                                  .arg(p.tabla->nombre),
                                              q->lastError()));
        q->finish();
    }
    // The last thousandth waits for the commit: until then the work can
    // still be stopped with nothing written.
    medidor.termina();
    transaccion.commit();
    Esquema::ajustaSecuencias(conexion);
    return resumen;
}

void archiva(const QString& archivoZip, const QString& rfc, const TConexionSesion& conexion, const QString& password,
             TArchivoZip::TCifrado cifrado, const TArchivoZip::TAvance& avance, const TAvance& avanceVolcado)
{
    const QString carpetaDb = Sistema::exePath + Constantes::DB_PATH;
    const QString carpeta = carpetaDb + rfc;
    if (!QDir().mkpath(carpetaDb))
        throw EEntradaSalida(QStringLiteral("No se pudo crear la carpeta %1.").arg(carpetaDb));
    Archivos::creaCarpetaPrivada(carpeta);
    const QString volcado = carpeta + QLatin1Char('/') + ARCHIVO;
    // The dump holds the whole business: it is never left in the folder,
    // where the next backup would carry it as it is.
    struct TBorraVolcado {
        QString ruta;
        ~TBorraVolcado() { QFile::remove(ruta); }
    } borra{volcado};
    Archivos::creaPrivado(volcado, QByteArray());
    // The system's error number, read as soon as a call fails: Qt's own
    // texts are English.
    const auto falla = [&volcado](int numero) {
        return EEntradaSalida(QStringLiteral("No se pudo escribir %1: %2").arg(volcado, Errores::delSistema(numero)));
    };
    QFile salida(volcado);
    if (!salida.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw falla(errno);
    escribe(conexion, salida, avanceVolcado);
    if (!salida.flush())
        throw falla(errno);
    salida.close();
    SecretoNegocio::archiva(archivoZip, rfc, conexion, password, cifrado, avance);
}

} // namespace VolcadoNegocio
