#pragma once
#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

// One row of the SAT's metadata ("descarga masiva" of metadata): a voucher
// the SAT knows of, with its status. Every field is kept as written (dates
// "yyyy-MM-dd HH:mm:ss", the amount as its decimal text), trimmed; only the
// UUID and the RFCs are put in upper case, because the SAT writes them in
// either case, even within one package.
struct TFilaMetadatos {
    QString uuid;
    QString rfcEmisor;
    QString nombreEmisor;
    QString rfcReceptor;
    QString nombreReceptor;
    QString rfcPac;
    QString fechaEmision;
    QString fechaCertificacion;
    QString monto;
    QString efecto;  // I, E, T, N or P
    QString estatus; // "1" in force, "0" cancelled
    QString fechaCancelacion;
    // Columns added in 2022, or the separate third-party file.
    QString rfcACuentaTerceros;
    QString nombreACuentaTerceros;
    int linea = 0; // in its file, the header being line 1

    bool cancelado() const { return estatus == QLatin1String("0"); }
};

// Reads a metadata file as it comes, a piece at a time (a package may hold a
// million rows): UTF-8 (a byte-order mark is passed over), lines ended by
// CRLF or LF (the last may lack it), fields separated by "~", one header
// line. Fields are found by the header's names (letter case aside), never by
// position: the SAT has added columns since 2022. Quotes, "&" and accents in
// names are plain characters; only "~" separates.
//
// The header tells the kind of file: the metadata itself (it names at least
// Uuid, RfcEmisor, RfcReceptor and Estatus) or the separate third-party file
// (Uuid and RfcACuentaTerceros, without RfcEmisor). Anything else is not
// metadata: tipo() answers Ninguno and nothing is handed over.
//
// A row whose UUID is not in the SAT's form, whose RFCs are missing, whose
// amount is not a decimal with a dot, whose status is not 0 or 1, or whose
// fields are more or fewer than the header's goes to `error` with its line
// and the reason, in Spanish, and is passed over. Blank lines are passed
// over in silence.
class TLectorMetadatos {
public:
    enum class TTipo {
        Desconocido, // the header has not been read yet
        Ninguno,     // not a metadata file
        Metadatos,
        Terceros // only uuid, rfcACuentaTerceros and nombreACuentaTerceros are filled
    };

    // `fila` and `error` answer false to stop the reading.
    using TFila = std::function<bool(const TFilaMetadatos& fila)>;
    using TError = std::function<bool(int linea, const QString& motivo)>;

    TLectorMetadatos(TFila fila, TError error);

    // Hands over the next bytes; a line may be split between calls. Returns
    // false once a callback asked to stop or the file is not metadata.
    bool agrega(const char* datos, qint64 largo);
    bool agrega(const QByteArray& datos) { return agrega(datos.constData(), datos.size()); }
    // The end of the file: its last line, when it lacks a line end.
    bool termina();

    TTipo tipo() const { return m_tipo; }
    // Rows handed to `fila`, and rows refused.
    int filas() const { return m_filas; }
    int rechazadas() const { return m_rechazadas; }

    // The kind of file a first line announces (a byte-order mark and the line
    // end may be there).
    static TTipo tipoDe(const QByteArray& primeraLinea);
    // Whether the file at `ruta` starts with a metadata or third-party header;
    // reads its first line only.
    static bool esArchivoMetadatos(const QString& ruta);

private:
    bool linea(const QByteArray& texto);
    bool lineaLarga();
    void pendiente(const char* datos, qint64 largo);
    bool terminaLinea(const char* inicio, const char* salto) const;

    TFila m_fila;
    TError m_error;
    TTipo m_tipo = TTipo::Desconocido;
    QByteArray m_pendiente;
    QList<int> m_columnas; // per field of TFilaMetadatos, the header's position or -1
    int m_campos = 0;
    int m_linea = 0;
    int m_filas = 0;
    int m_rechazadas = 0;
    bool m_detenido = false;
    bool m_soloCrlf = false; // the header ended in CRLF
    bool m_larga = false;    // the pending line went past its bound and is not kept
    char m_previo = '\n';    // the last byte handed over
};
