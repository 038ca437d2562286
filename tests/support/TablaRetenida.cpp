#include "TablaRetenida.h"

#include "CitaSql.h"
#include "Conexiones.h"
#include "Errores.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <ibase.h>

TTablaRetenida::TTablaRetenida(const TConexionSesion& conexion, const QString& tabla)
{
    std::promise<QString> tomada;
    std::future<QString> resultado = tomada.get_future();
    m_hilo = std::thread([conexion, tabla, tomada = std::move(tomada), suelta = m_suelta.get_future()]() mutable {
        QString error;
        isc_tr_handle transaccion = 0;
        try {
            QSqlDatabase db = Conexiones::baseDatos(conexion);
            if (conexion.motor() == TMotor::MariaDB) {
                QSqlQuery q(db);
                if (!q.exec(QStringLiteral("LOCK TABLES %1 WRITE").arg(Esquema::cita(tabla))))
                    error = q.lastError().text();
            } else {
                // A transaction that reserves the table for its own writes:
                // the program's transactions wait for it, as they wait for
                // any lock.
                QVariant manejador = db.driver()->handle();
                auto* base = static_cast<isc_db_handle*>(manejador.data());
                const QByteArray nombre = tabla.toLatin1();
                QByteArray tpb;
                tpb.append(char(isc_tpb_version3)).append(char(isc_tpb_write)).append(char(isc_tpb_concurrency));
                tpb.append(char(isc_tpb_wait)).append(char(isc_tpb_lock_write)).append(char(nombre.size()));
                tpb.append(nombre).append(char(isc_tpb_protected));
                ISC_STATUS_ARRAY estado;
                if (!base || isc_start_transaction(estado, &transaccion, 1, base, short(tpb.size()), tpb.constData()))
                    error = QStringLiteral("Firebird no reservó la tabla %1").arg(tabla);
            }
        } catch (const EBaseDatos& e) {
            error = e.mensaje();
        }
        tomada.set_value(error);
        suelta.wait();
        if (transaccion) {
            ISC_STATUS_ARRAY estado;
            isc_rollback_transaction(estado, &transaccion);
        }
        Conexiones::cierraHilo();
    });
    m_error = resultado.get();
}

TTablaRetenida::~TTablaRetenida()
{
    m_suelta.set_value();
    m_hilo.join();
}
