#include "AtributosCfdi.h"
#include "DocumentoXML.h"
#include "EntornoImportacion.h"
#include "Esquema.h"
#include "import/TReporteImportacion.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <map>

using namespace Qt::StringLiterals;
using E = TEntornoImportacion;

// The widths of the business database beside the SAT's own schemas: every
// attribute the import keeps as text fits its column whatever the schema
// lets a voucher write, and a voucher that writes every such attribute at its
// longest is stored and read back as it came.
namespace {

constexpr int SIN_LIMITE = std::numeric_limits<int>::max() / 4;
const char* const XS = "http://www.w3.org/2001/XMLSchema";

int suma(int a, int b)
{
    return std::min(SIN_LIMITE, a + b);
}

int por(int a, int veces)
{
    return a == 0 || veces == 0 ? 0 : (a >= SIN_LIMITE / veces ? SIN_LIMITE : a * veces);
}

// The longest text an XML Schema pattern matches, in characters.
class TLargoPatron {
public:
    static int de(const QString& patron) { return TLargoPatron(patron).alternativas(); }

private:
    explicit TLargoPatron(const QString& patron) : m_p(patron) {}

    int alternativas()
    {
        int mejor = 0;
        int actual = 0;
        while (m_i < m_p.size() && m_p.at(m_i) != u')') {
            if (m_p.at(m_i) == u'|') {
                ++m_i;
                mejor = std::max(mejor, actual);
                actual = 0;
                continue;
            }
            actual = suma(actual, cuantifica(atomo()));
        }
        return std::max(mejor, actual);
    }

    int atomo()
    {
        const QChar c = m_p.at(m_i++);
        if (c == u'(') {
            const int dentro = alternativas();
            ++m_i; // ')'
            return dentro;
        }
        if (c == u'[') {
            int nivel = 1;
            while (m_i < m_p.size() && nivel > 0) {
                const QChar d = m_p.at(m_i++);
                if (d == u'\\')
                    ++m_i;
                else if (d == u'[')
                    ++nivel;
                else if (d == u']')
                    --nivel;
            }
            return 1;
        }
        if (c == u'\\') {
            const QChar d = m_p.at(m_i++);
            if ((d == u'p' || d == u'P') && m_p.at(m_i) == u'{')
                m_i = m_p.indexOf(u'}', m_i) + 1;
        }
        return 1;
    }

    int cuantifica(int largo)
    {
        if (m_i >= m_p.size())
            return largo;
        const QChar c = m_p.at(m_i);
        if (c == u'?' || c == u'*' || c == u'+') {
            ++m_i;
            return c == u'?' || largo == 0 ? largo : SIN_LIMITE;
        }
        if (c != u'{')
            return largo;
        const int cierre = m_p.indexOf(u'}', m_i);
        const QStringList partes = m_p.mid(m_i + 1, cierre - m_i - 1).split(u',');
        m_i = cierre + 1;
        if (partes.size() == 2 && partes.at(1).trimmed().isEmpty())
            return largo == 0 ? 0 : SIN_LIMITE;
        return por(largo, partes.last().toInt());
    }

    QString m_p;
    qsizetype m_i = 0;
};

// What a schema lets an attribute hold.
struct TLimite {
    int largo = SIN_LIMITE; // characters
    int decimales = -1;     // fractionDigits; -1 when not an amount
    bool libre = false;     // free text (any character but '|'), not a key, a code or a number
};

// The SAT's schemas under tests/data/xsd, each read once.
class TEsquemasSat {
public:
    static QString raiz() { return QStringLiteral(VELKOR_DATOS_PRUEBA "/xsd/www.sat.gob.mx/sitio_internet/cfd/"); }

    const TDocumentoXML& documento(const QString& archivo)
    {
        auto it = m_documentos.find(archivo);
        if (it == m_documentos.end())
            it = m_documentos.emplace(archivo, TDocumentoXML::desdeArchivo(raiz() + archivo)).first;
        return it->second;
    }

    // The node of `ruta` ("Comprobante/Emisor") in that schema: its element.
    TNodoXML elemento(const QString& archivo, const QString& ruta)
    {
        const QStringList pasos = ruta.split(u'/');
        TNodoXML actual = porNombre(documento(archivo).raiz(), "element", pasos.first(), false);
        for (int i = 1; i < pasos.size() && actual; ++i)
            actual = porNombre(contenido(archivo, actual), "element", pasos.at(i), true);
        return actual;
    }

    TNodoXML atributo(const QString& archivo, const TNodoXML& elemento, const QString& nombre)
    {
        return porNombre(contenido(archivo, elemento), "attribute", nombre, true);
    }

    TLimite limite(const QString& archivo, const TNodoXML& atributo)
    {
        if (atributo.tieneAtributo("type"))
            return porTipo(archivo, atributo.atributo("type"));
        const TNodoXML simple = atributo.hijo(XS, "simpleType");
        return simple ? restriccion(archivo, simple.hijo(XS, "restriction")) : TLimite();
    }

private:
    // The complex type that holds an element's children and attributes.
    TNodoXML contenido(const QString& archivo, const TNodoXML& elemento)
    {
        if (elemento.tieneAtributo("type")) {
            const QString tipo = elemento.atributo("type").section(u':', -1);
            return porNombre(documento(archivo).raiz(), "complexType", tipo, false);
        }
        return elemento;
    }

    // The first xs:<clase> named so below `nodo`, without entering other
    // elements; only among the schema's own children when not `profundo`.
    static TNodoXML porNombre(const TNodoXML& nodo, const char* clase, const QString& nombre, bool profundo)
    {
        for (const TNodoXML& hijo : nodo.hijos()) {
            if (hijo.es(XS, clase) && hijo.atributo("name") == nombre)
                return hijo;
            if (profundo && !hijo.es(XS, "element"))
                if (const TNodoXML dentro = porNombre(hijo, clase, nombre, true))
                    return dentro;
        }
        return TNodoXML();
    }

    TLimite porTipo(const QString& archivo, const QString& tipo)
    {
        const QString prefijo = tipo.section(u':', 0, 0);
        const QString nombre = tipo.section(u':', -1);
        const TNodoXML raizEsquema = documento(archivo).raiz();
        const QString espacio = raizEsquema.atributo(("xmlns:" + prefijo).toUtf8().constData());
        if (espacio == QLatin1String(XS))
            return integrado(nombre);
        QString donde = archivo;
        if (espacio != raizEsquema.atributo("targetNamespace")) {
            for (const TNodoXML& importa : raizEsquema.hijos(XS, "import"))
                if (importa.atributo("namespace") == espacio)
                    donde = QDir::cleanPath(QFileInfo(archivo).path() + u'/' + importa.atributo("schemaLocation"));
            if (!QFileInfo::exists(raiz() + donde))
                return catalogo(nombre);
        }
        const TNodoXML simple = porNombre(documento(donde).raiz(), "simpleType", nombre, false);
        if (!simple)
            return TLimite();
        return restriccion(donde, simple.hijo(XS, "restriction"));
    }

    TLimite restriccion(const QString& archivo, const TNodoXML& r)
    {
        if (!r)
            return TLimite();
        TLimite limite = porTipo(archivo, r.atributo("base"));
        int patrones = -1;
        int enumeracion = -1;
        bool libre = limite.libre;
        for (const TNodoXML& faceta : r.hijos()) {
            const QString valor = faceta.atributo("value");
            if (faceta.es(XS, "length") || faceta.es(XS, "maxLength")) {
                limite.largo = std::min(limite.largo, valor.toInt());
            } else if (faceta.es(XS, "pattern")) {
                patrones = std::max(patrones, TLargoPatron::de(valor));
                libre = libre && valor.startsWith("[^|]"_L1);
            } else if (faceta.es(XS, "enumeration")) {
                enumeracion = std::max(enumeracion, int(valor.size()));
            } else if (faceta.es(XS, "fractionDigits")) {
                limite.decimales = valor.toInt();
            }
        }
        if (patrones >= 0)
            limite.largo = std::min(limite.largo, patrones);
        if (enumeracion >= 0)
            limite.largo = std::min(limite.largo, enumeracion);
        limite.libre = libre && enumeracion < 0;
        return limite;
    }

    static TLimite integrado(const QString& nombre)
    {
        // An int takes 11 characters: -2147483648.
        return TLimite{nombre == "int"_L1 ? 11 : SIN_LIMITE, -1, nombre == "string"_L1};
    }

    // A type of the SAT's catalogue schema, which is not kept here: its keys
    // are the catalogue's own (data/sat), and the product key is eight digits.
    static TLimite catalogo(const QString& nombre)
    {
        if (nombre == "c_ClaveProdServ"_L1)
            return TLimite{8};
        TLimite limite;
        QFile csv(QStringLiteral(VELKOR_DATOS_PRUEBA "/../../data/sat/") + nombre + u".csv"_s);
        if (!csv.open(QIODevice::ReadOnly))
            return limite; // unknown: no bound, which the check reports
        limite.largo = 0;
        csv.readLine();
        while (!csv.atEnd()) {
            const QString clave = QString::fromUtf8(csv.readLine()).section(u',', 0, 0).trimmed();
            limite.largo = std::max(limite.largo, int(clave.size()));
        }
        return limite;
    }

    std::map<QString, TDocumentoXML> m_documentos;
};

const TColumna& columna(const TAtributoCfdi& a)
{
    const TTabla& t = Esquema::tabla(a.clase);
    return t.columnas.at(t.posicion(a.columna.toUpper()));
}

// The longest text a voucher may write where the schema sets no bound: what
// the narrowest column that keeps it takes.
int largoAbierto(const TAtributoCfdi& a)
{
    int largo = std::numeric_limits<int>::max();
    for (const TAtributoCfdi& otro : AtributosCfdi::todos())
        if (otro.esquema == a.esquema && otro.nodo == a.nodo && otro.atributo == a.atributo && columna(otro).largo > 0)
            largo = std::min(largo, columna(otro).largo);
    return largo == std::numeric_limits<int>::max() ? 1000 : largo;
}

// A text of exactly `largo` characters, accents and a character outside the
// BMP among them, different for each attribute.
QString textoDe(int largo, int semilla)
{
    static const QList<char32_t> letras = {U'\u00D1', U'a', U'\u00F1', U'd', U'\u00FA', U'-', U'\u00C9',    U'x', U'/',
                                           U'\u00FC', U'#', U'0',      U'7', U'z',      U'Q', U'\U0001F600'};
    QString texto;
    for (int i = 0; i < largo; ++i) {
        const char32_t c = letras.at((i + semilla) % letras.size());
        texto += QString::fromUcs4(&c, 1);
    }
    return texto;
}

// The nodes of a voucher at a schema's path: its root element (or a
// complement's, anywhere below it) and then children by name.
QList<TNodoXML> nodos(const TNodoXML& raiz, const QStringList& pasos)
{
    QList<TNodoXML> actuales;
    const std::function<void(const TNodoXML&)> busca = [&](const TNodoXML& n) {
        if (n.nombreLocal() == pasos.first())
            actuales << n;
        for (const TNodoXML& h : n.hijos())
            busca(h);
    };
    busca(raiz);
    for (int i = 1; i < pasos.size(); ++i) {
        QList<TNodoXML> siguientes;
        for (const TNodoXML& n : std::as_const(actuales))
            for (const TNodoXML& h : n.hijos())
                if (h.nombreLocal() == pasos.at(i))
                    siguientes << h;
        actuales = siguientes;
    }
    return actuales;
}

} // namespace

class TstAnchos : public QObject {
    Q_OBJECT
private slots:
    void columnaCabeElAtributo_data()
    {
        QTest::addColumn<int>("indice");
        const QList<TAtributoCfdi>& todos = AtributosCfdi::todos();
        for (int i = 0; i < todos.size(); ++i) {
            const TAtributoCfdi& a = todos.at(i);
            QTest::newRow(qPrintable(u"%1 %2@%3 -> %4.%5"_s.arg(a.esquema, a.nodo, a.atributo, a.clase, a.columna)))
                << i;
        }
    }
    void columnaCabeElAtributo()
    {
        QFETCH(int, indice);
        const TAtributoCfdi& a = AtributosCfdi::todos().at(indice);
        const TNodoXML nodo = m_esquemas.elemento(a.esquema, a.nodo);
        QVERIFY2(nodo, qPrintable(u"el esquema no tiene el nodo "_s + a.nodo));
        const TNodoXML atributo = m_esquemas.atributo(a.esquema, nodo, a.atributo);
        QVERIFY2(atributo, qPrintable(u"el nodo no tiene el atributo "_s + a.atributo));
        QVERIFY(Esquema::tabla(a.clase).posicion(a.columna.toUpper()) >= 0);
        const TColumna& c = columna(a);
        const TLimite limite = m_esquemas.limite(a.esquema, atributo);
        switch (c.tipo) {
        case TTipoColumna::Texto: {
            // CFDI 3.2 and its complements leave most texts open: such a
            // column takes a thousand characters, or 500 where it is indexed
            // whole (the engine's key limit), and a longer value is kept cut,
            // with its report saying so.
            const bool indexada = Esquema::tabla(a.clase).indices.contains(c.nombre);
            const int requerido = limite.largo < SIN_LIMITE ? limite.largo : (indexada ? 500 : 1000);
            const QString admite = limite.largo < SIN_LIMITE ? QString::number(limite.largo) : u"cualquier largo"_s;
            if (c.largo > 0)
                QVERIFY2(
                    c.largo >= requerido,
                    qPrintable(u"la columna guarda %1 caracteres; el esquema admite %2"_s.arg(c.largo).arg(admite)));
            break;
        }
        case TTipoColumna::Decimal:
            QVERIFY2(limite.decimales <= TDecimal::DECIMALES,
                     qPrintable(u"el esquema admite %1 decimales"_s.arg(limite.decimales)));
            break;
        default:
            QFAIL(qPrintable(u"la columna %1 no guarda el texto del atributo"_s.arg(c.nombre)));
        }
    }

    // Real vouchers with every free text the import keeps written at the
    // longest its schema allows: stored whole, read back as written, nothing
    // reported cut, and the file's bytes kept.
    void comprobanteMaximo_data()
    {
        QTest::addColumn<QString>("archivo");
        QTest::addColumn<QStringList>("esquemas");
        const QString tfd10 = u"TimbreFiscalDigital/TimbreFiscalDigital.xsd"_s;
        const QString tfd11 = u"TimbreFiscalDigital/TimbreFiscalDigitalv11.xsd"_s;
        QTest::newRow("3.2") << u"cfdi32-real.xml"_s << QStringList{"3/cfdv32.xsd", tfd10};
        QTest::newRow("3.2 nómina 1.1") << u"cfdv32-nomina.xml"_s
                                        << QStringList{"3/cfdv32.xsd", "nomina/nomina11.xsd", tfd10};
        QTest::newRow("3.2 impuestos locales")
            << u"impuestos-locales-retenidos.xml"_s << QStringList{"3/cfdv32.xsd", "implocal/implocal.xsd", tfd10};
        QTest::newRow("3.3") << u"cfdi33-valid.xml"_s << QStringList{"3/cfdv33.xsd", tfd11};
        QTest::newRow("3.3 impuestos locales")
            << u"cfdi33-real.xml"_s << QStringList{"3/cfdv33.xsd", "implocal/implocal.xsd", tfd11};
        QTest::newRow("4.0") << u"cfdi40-real.xml"_s << QStringList{"4/cfdv40.xsd", tfd11};
        QTest::newRow("4.0 nómina 1.2") << u"cfdi40-nomina-compensacion-valid.xml"_s
                                        << QStringList{"4/cfdv40.xsd", "nomina/nomina12.xsd", tfd11};
    }
    void comprobanteMaximo()
    {
        QFETCH(QString, archivo);
        QFETCH(QStringList, esquemas);
        TEntornoImportacion entorno;
        const TDocumentoXML documento = TDocumentoXML::desdeBytes(E::bytes(E::dato(archivo)));
        QVERIFY(documento.cargado());

        struct TEsperado {
            QString clase, columna, valor, donde;
        };
        QList<TEsperado> esperados;
        QHash<QString, QString> escritos; // nodo@atributo -> valor
        for (const TAtributoCfdi& a : AtributosCfdi::todos()) {
            if (!esquemas.contains(a.esquema) || columna(a).tipo != TTipoColumna::Texto)
                continue;
            const TNodoXML nodo = m_esquemas.elemento(a.esquema, a.nodo);
            const TLimite limite = m_esquemas.limite(a.esquema, m_esquemas.atributo(a.esquema, nodo, a.atributo));
            if (!limite.libre)
                continue;
            const QList<TNodoXML> enVoucher = nodos(documento.raiz(), a.nodo.split(u'/'));
            if (enVoucher.isEmpty())
                continue;
            const QString clave = a.nodo + u'@' + a.atributo;
            if (!escritos.contains(clave)) {
                const int largo = limite.largo < SIN_LIMITE ? limite.largo : largoAbierto(a);
                escritos.insert(clave, textoDe(largo, int(escritos.size())));
                for (TNodoXML n : enVoucher)
                    n.fijaAtributo(a.atributo.toUtf8().constData(), escritos.value(clave));
            }
            esperados.append({a.clase, a.columna, escritos.value(clave), clave});
        }
        QVERIFY2(escritos.size() >= 3, qPrintable(u"solo %1 atributos"_s.arg(escritos.size())));

        const QByteArray bytes = documento.raiz().xml().toUtf8();
        const QString ruta = entorno.escribe(u"maximo.xml"_s, bytes);
        const TResultadoArchivo r = entorno.importador()->importa(ruta);
        QVERIFY2(r.estado == TResultadoArchivo::Importado, qPrintable(r.motivo));
        QVERIFY2(r.avisos.isEmpty(), qPrintable(r.avisos.join(u'\n')));

        const TConexionSesion conexion = E::conexion(r.rfc);
        for (const TEsperado& e : std::as_const(esperados)) {
            const TTabla& t = Esquema::tabla(e.clase);
            const TCampo campo(t, t.posicion(e.columna.toUpper()));
            bool entero = false;
            TPersistencia::busca(t, campo.noEsNulo(), conexion, TOrden(), [&](const QVector<QVariant>& fila) {
                entero = entero || fila.at(t.posicion(e.columna.toUpper())).toString() == e.valor;
            });
            QVERIFY2(entero, qPrintable(u"%1 no quedó entero en %2.%3"_s.arg(e.donde, t.nombre, e.columna)));
        }
        QCOMPARE(E::comprobante(r.rfc, r.uuid)->getComprobantexml(), bytes);
        QCOMPARE(E::bytes(TImportadorXML::rutaCopia(r.rfc, r.uuid)), bytes);
    }

    // A stamped voucher that writes more than its schema allows is still
    // stored: whole where the column takes it (a bank account of 19 digits),
    // otherwise with that value cut and its report row naming the attribute.
    // The stored XML and the copy keep every byte either way.
    void valorMasLargoQueElEsquema_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("clase");
        QTest::addColumn<QString>("columna");
        QTest::addColumn<QString>("guardado");
        QTest::addColumn<QString>("aviso"); // empty: none
        QTest::newRow("cuenta de 19 dígitos")
            << E::variante(u"cfdi40-nomina-compensacion-valid.xml"_s,
                           {{"NumEmpleado=\"0001\"",
                             "NumEmpleado=\"0001\" Banco=\"002\" CuentaBancaria=\"1234567890123456789\""}})
            << u"TNominacomprobante"_s << u"Clabe"_s << u"1234567890123456789"_s << QString();
        const QString serie = u"SERIE-DE-39-CARACTERES-0123456789-ABCDE"_s;
        QTest::newRow("serie de 39")
            << E::variante(u"cfdi40-real.xml"_s, {{"Serie=\"O\"", "Serie=\"" + serie.toUtf8() + '"'}})
            << u"TComprobante"_s << u"Serie"_s << serie.left(25)
            << u"El valor de Serie (Comprobante) tiene 39 caracteres y se guardaron los primeros 25"_s;
    }
    void valorMasLargoQueElEsquema()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, clase);
        QFETCH(QString, columna);
        QFETCH(QString, guardado);
        QFETCH(QString, aviso);
        TEntornoImportacion entorno;
        entorno.escribe(u"largo.xml"_s, bytes);
        QString rutaReporte;
        QString rfc;
        {
            TReporteImportacion reporte(entorno.carpeta.ruta());
            const QList<TResultadoArchivo> resultados = entorno.importaCarpeta();
            QCOMPARE(resultados.size(), 1);
            QVERIFY2(resultados.first().estado == TResultadoArchivo::Importado, qPrintable(resultados.first().motivo));
            reporte.agrega(resultados.first());
            rutaReporte = reporte.ruta();
            rfc = resultados.first().rfc;
        }
        const QString reporte = QString::fromUtf8(E::bytes(rutaReporte));
        QVERIFY2(reporte.contains(u",Importado,"_s), qPrintable(reporte));
        if (aviso.isEmpty())
            QVERIFY2(!reporte.contains(u"se guardaron los primeros"_s), qPrintable(reporte));
        else
            QVERIFY2(reporte.contains(aviso), qPrintable(reporte));

        const TConexionSesion conexion = E::conexion(rfc);
        const TTabla& t = Esquema::tabla(clase);
        QStringList valores;
        TPersistencia::busca(t, TCondicion(), conexion, TOrden(), [&](const QVector<QVariant>& fila) {
            valores << fila.at(t.posicion(columna.toUpper())).toString();
        });
        QVERIFY2(valores.contains(guardado), qPrintable(valores.join(u'|')));
        const QList<TComprobante> comprobantes = TComprobante::busca(TCondicion(), conexion);
        QCOMPARE(comprobantes.size(), 1);
        QCOMPARE(comprobantes.first().getComprobantexml(), bytes);
        QCOMPARE(E::bytes(TImportadorXML::rutaCopia(rfc, comprobantes.first().getUuid())), bytes);
    }

private:
    TEsquemasSat m_esquemas;
};

QTEST_GUILESS_MAIN(TstAnchos)
#include "tst_anchos.moc"
