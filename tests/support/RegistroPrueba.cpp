#include "RegistroPrueba.h"

#include "negocio/TBaseDatosLocalFrm.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace RegistroPrueba {

QByteArray conFilas(int filas)
{
    QTemporaryDir dir;
    const QString archivo = dir.filePath(QStringLiteral("r.db"));
    TBaseDatosLocalFrm::creaTablas(archivo);
    const QString nombre = QStringLiteral("prueba-registro-lleno");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
        db.setDatabaseName(archivo);
        db.open();
        db.transaction();
        QSqlQuery alta(db);
        for (int i = 0; i < filas; ++i) {
            alta.exec(
                QStringLiteral("INSERT INTO NegocioLoggin (nombre, rfc, estatus) VALUES ('Negocio %1', 'AAA%1', 0)")
                    .arg(i, 9, 10, QLatin1Char('0')));
            alta.exec(QStringLiteral("INSERT INTO Conexion (stringConexion, idNegocioLogginFk) VALUES ('%1', %2)")
                          .arg(QString(200, QLatin1Char('x')))
                          .arg(i + 1));
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
    QFile leido(archivo);
    leido.open(QIODevice::ReadOnly);
    return leido.readAll();
}

QList<QPair<QString, QByteArray>> danados(const QByteArray& sano)
{
    QByteArray paginas = sano;
    paginas.replace(4096 * 3, 3000, QByteArray(3000, '\x5a'));
    QByteArray esquema = sano;
    esquema.replace(100, 500, QByteArray(500, '\x5a'));
    return {
        {QStringLiteral("truncado a nada"), QByteArray()},
        {QStringLiteral("truncado en la cabecera"), sano.left(50)},
        {QStringLiteral("truncado a la mitad"), sano.left(sano.size() / 2)},
        {QStringLiteral("basura"), QByteArray(4096, '\x5a')},
        {QStringLiteral("páginas dañadas"), paginas},
        {QStringLiteral("esquema dañado"), esquema},
    };
}

bool ejecuta(const QString& sql, const QVariantList& valores)
{
    const QString nombre = QStringLiteral("prueba-registro");
    bool correcto = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
        db.setDatabaseName(TBaseDatosLocalFrm::archivoRegistro());
        if (db.open()) {
            QSqlQuery consulta(db);
            correcto = consulta.prepare(sql);
            for (const QVariant& valor : valores)
                consulta.addBindValue(valor);
            correcto = correcto && consulta.exec();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
    return correcto;
}

bool dejaEscrituraInterrumpida(int filas)
{
    const QString archivo = TBaseDatosLocalFrm::archivoRegistro();
    const QString copia = archivo + QStringLiteral(".copia");
    const QString diario = QStringLiteral("-journal");
    const QString nombre = QStringLiteral("prueba-registro-interrumpido");
    bool correcto = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nombre);
        db.setDatabaseName(archivo);
        if (db.open()) {
            QSqlQuery consulta(db);
            // A one-page cache writes the transaction's pages into the file
            // before the commit, as a long write does.
            correcto = consulta.exec(QStringLiteral("PRAGMA cache_size=1")) &&
                       consulta.exec(QStringLiteral("BEGIN IMMEDIATE"));
            for (int i = 0; correcto && i < filas; ++i) {
                correcto = consulta.prepare(
                    QStringLiteral("INSERT INTO NegocioLoggin (nombre, rfc, estatus) VALUES (?, ?, 0)"));
                consulta.addBindValue(QString(200, QLatin1Char('F')));
                consulta.addBindValue(QStringLiteral("FAN%1").arg(i, 9, 10, QLatin1Char('0')));
                correcto = correcto && consulta.exec();
            }
            // The files as they are now are what a crash would leave.
            correcto = correcto && QFile::exists(archivo + diario) && QFile::copy(archivo, copia) &&
                       QFile::copy(archivo + diario, copia + diario);
            consulta.exec(QStringLiteral("ROLLBACK"));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(nombre);
    return correcto && QFile::remove(archivo) && QFile::rename(copia, archivo) &&
           QFile::rename(copia + diario, archivo + diario);
}

namespace {
const QString NOMBRE_BLOQUEO = QStringLiteral("prueba-registro-bloqueo");
}

TBloqueo::TBloqueo()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), NOMBRE_BLOQUEO);
    db.setDatabaseName(TBaseDatosLocalFrm::archivoRegistro());
    m_activo = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE"));
}

TBloqueo::~TBloqueo()
{
    {
        QSqlDatabase db = QSqlDatabase::database(NOMBRE_BLOQUEO, false);
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(NOMBRE_BLOQUEO);
}

} // namespace RegistroPrueba
