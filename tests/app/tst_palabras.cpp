#include "CarpetaPrograma.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

// The texts the program shows are Mexican Spanish: no English words left
// from earlier versions and no Spanish word written without its accent.
// Every string literal of the sources that holds a space (a text, not a
// name) is read; database statements, style sheets, addresses and the log's
// own lines are not texts for the user. A word is refused when it is one of
// the English words such programs carry, or a Spanish word missing its
// accent. What looks like a word but is a name (a file extension, an
// option, an acronym in capitals) is passed over, and so are the few texts
// that are meant for another program, not for a person.
namespace {

const QString RAIZ = QStringLiteral(VELKOR_DATOS_PRUEBA "/../..");

const QSet<QString> PROHIBIDAS = {
    // English.
    "password", "passwords", "email", "emails", "wizard", "bridge", "file", "files", "folder", "save", "cancel",
    "settings", "user", "users", "loading", "please", "download", "upload", "login", "logout", "welcome", "next",
    "back", "finish", "help", "yes", "ok", "invoice", "report", "company", "search", "browse", "open", "close",
    "delete", "remove", "edit", "add", "new", "the", "and", "of", "to", "is", "are", "not", "with", "for", "from",
    "your", "you", "failed", "success", "unknown",
    // Spanish without its accent.
    "informacion", "nomina", "contrasena", "codigo", "fisica", "exhibicion", "version", "pais", "linea", "direccion",
    "razon", "telefono", "numero", "ultimo", "ultima", "pagina", "electronico", "electronica", "configuracion",
    "catalogo", "catalogos", "regimen", "credito", "debito", "sesion", "opcion", "aplicacion", "validacion",
    "operacion", "descripcion", "accion", "dia", "mas", "tambien", "aqui", "despues", "todavia"};

// Splits or joins that no word-by-word look finds.
const QStringList FRASES_PROHIBIDAS = {" u na ", "XML's", "XMLs"};

// Texts for other programs or for developers: the engine's error texts
// matched to translate them, the log's description of an exception, mail
// headers, the download's user agent, the signer's key label, a compile-time
// check, the command line's options.
const QStringList AJENOS = {"update conflicts", "foreign key", "unique key", "primary or unique", "lock conflict",
                            "right truncation", "no space", " error raised, with message", "MIME-Version", "Message-ID",
                            "Content-", "Mozilla/", "Velkor/Comunes/Signer", "a stored record", "--help",
                            // The database servers' own words, which the program recognises.
                            "server has gone away", "lost connection", "connection", "network request", "lock wait",
                            "data too long", "out of range", "table is full", "duplicate", "deadlock", "i/o error",
                            "arithmetic", "not a valid database", "file size is less than expected", "appears corrupt",
                            "wrong page type", "no permission", "permission denied", "incompatible with current",
                            "in use", "user name and password", "no such file"};

const QRegularExpression LITERAL(u"\"((?:[^\"\\\\\\n]|\\\\.)*)\""_s);
// Database statements, style sheets, addresses, XML, and date formats.
const QRegularExpression
    NO_TEXTO(QStringLiteral("\\b(SELECT|INSERT|UPDATE|CREATE|ALTER|FROM|WHERE|DELETE|CAST|COALESCE|JOIN|PRAGMA|INTEGER|"
                            "REFERENCES|SET|ENGINE|MODIFY|AND|ORDER BY)\\b|[{}]|://|<\\?xml|^[dMyHhmsz:/., -]+$"));
const QRegularExpression REPETIDA(u"(?<![\\p{L}%])(\\p{L}+) \\1(?!\\p{L})"_s);
// A word, with what stands right before it: ".key", "--correo", "*.cer" are names.
const QRegularExpression PALABRA(u"(^|[^\\p{L}])(\\p{L}+(?:'\\p{L}+)?)"_s);

struct THallazgo {
    QString lugar, palabra, texto;
};

// The words the texts may use, reviewed once by a person: every other word
// is either refused or waits for its review (a new word is added to the
// list on purpose, after reading it twice).
QSet<QString> vocabulario()
{
    QSet<QString> palabras;
    for (const QByteArray& linea :
         TCarpetaPrograma::lee(QStringLiteral(VELKOR_DATOS_PRUEBA "/palabras/vocabulario.txt")).split('\n'))
        if (!linea.trimmed().isEmpty() && !linea.startsWith('#'))
            palabras.insert(QString::fromUtf8(linea.trimmed()));
    return palabras;
}

QList<THallazgo> revisa(QList<THallazgo>& desconocidas)
{
    const QSet<QString> conocidas = vocabulario();
    QList<THallazgo> hallazgos;
    for (const char* carpeta : {"src", "packages", "modules"}) {
        QDirIterator it(RAIZ + u'/' + QLatin1String(carpeta), {u"*.cpp"_s, u"*.h"_s}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            int numero = 0;
            for (const QByteArray& bytes : TCarpetaPrograma::lee(it.next()).split('\n')) {
                ++numero;
                QString linea = QString::fromUtf8(bytes);
                const QString limpia = linea.trimmed();
                if (limpia.startsWith(u"//"_s) || limpia.startsWith(u"#include"_s) ||
                    linea.contains(u"Logmanager::Log"_s))
                    continue;
                // A quote written as a character is no string's end.
                linea.replace(u"'\"'"_s, QString());
                auto literales = LITERAL.globalMatch(linea);
                while (literales.hasNext()) {
                    const QString texto = literales.next().captured(1);
                    if (!texto.trimmed().contains(u' ') || NO_TEXTO.match(texto).hasMatch() ||
                        std::any_of(AJENOS.cbegin(), AJENOS.cend(),
                                    [&](const QString& a) { return texto.contains(a); }))
                        continue;
                    const QString lugar = it.filePath().mid(RAIZ.size() + 1) + u':' + QString::number(numero);
                    for (const QString& frase : FRASES_PROHIBIDAS)
                        if ((u' ' + texto + u' ').contains(frase))
                            hallazgos.append({lugar, frase.trimmed(), texto});
                    // A word written twice in a row ("vacía y y el").
                    const QRegularExpressionMatch doble = REPETIDA.match(texto);
                    if (doble.hasMatch())
                        hallazgos.append({lugar, doble.captured(0), texto});
                    // Mnemonics ("&Guardar") are no part of the word.
                    QString palabras = QString(texto).remove(u'&');
                    palabras.replace(QRegularExpression(u"<[^>]*>|\\\\u[0-9A-Fa-f]{4}|\\\\[nt\"\\\\]|%\\d+"_s), u" "_s);
                    auto encontradas = PALABRA.globalMatch(palabras);
                    while (encontradas.hasNext()) {
                        const QRegularExpressionMatch m = encontradas.next();
                        const QString antes = m.captured(1);
                        const QString palabra = m.captured(2);
                        if (palabra.size() < 2 || antes == u"."_s || antes == u"-"_s || antes == u"*"_s ||
                            palabra == palabra.toUpper())
                            continue;
                        if (PROHIBIDAS.contains(palabra.toLower()))
                            hallazgos.append({lugar, palabra, texto});
                        else if (!conocidas.contains(palabra.toLower()))
                            desconocidas.append({lugar, palabra.toLower(), texto});
                    }
                }
            }
        }
    }
    return hallazgos;
}

} // namespace

class TstPalabras : public QObject {
    Q_OBJECT
private slots:
    void textosEnEspanol()
    {
        QVERIFY2(QFile::exists(RAIZ + u"/src"_s), qPrintable(RAIZ));
        QList<THallazgo> desconocidas;
        QStringList lista;
        for (const THallazgo& h : revisa(desconocidas))
            lista << u"%1: «%2» en \"%3\""_s.arg(h.lugar, h.palabra, h.texto);
        QVERIFY2(lista.isEmpty(), qPrintable(lista.join(u'\n')));
        QStringList nuevas;
        for (const THallazgo& h : std::as_const(desconocidas))
            nuevas << u"%1: «%2» no está en tests/data/palabras/vocabulario.txt (\"%3\")"_s.arg(h.lugar, h.palabra,
                                                                                                h.texto);
        QVERIFY2(nuevas.isEmpty(), qPrintable(nuevas.join(u'\n')));
    }

    // The reviewed list itself holds none of the refused words.
    void vocabularioSinProhibidas()
    {
        const QSet<QString> palabras = vocabulario();
        QVERIFY(palabras.size() > 500);
        for (const QString& p : PROHIBIDAS)
            QVERIFY2(!palabras.contains(p), qPrintable(p));
    }
};

QTEST_GUILESS_MAIN(TstPalabras)
#include "tst_palabras.moc"
