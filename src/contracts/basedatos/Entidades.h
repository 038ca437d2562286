#pragma once
#include "BaseDatosExport.h"
#include "EsquemaEntidades.h"
#include "TEntidad.h"

#include <QStringList>
#include <cstddef>
#include <optional>
#include <type_traits>

// The entity classes of the business database. Each has a typed get/set pair
// per column of its table (EsquemaEntidades.h); a reference column's getter
// gives the referenced record and its setter takes a stored record (or
// nullptr). Look-ups and saves come from TEntidadDe; columns are named in
// look-ups through columna(col_...).

#define VELKOR_ENUM_COLUMNA(N, T, L, D) col_##N,
#define VELKOR_ENUM_COLUMNA_AGREGADA(N, T, L, D, G) col_##N,
#define VELKOR_ACCESORES(N, T, L, D) VELKOR_ACCESORES_##T(N, D)
#define VELKOR_ACCESORES_AGREGADA(N, T, L, D, G) VELKOR_ACCESORES_##T(N, D)

#define VELKOR_ACCESORES_Id(N, D)                                                                                      \
    int get##N() const                                                                                                 \
    {                                                                                                                  \
        return id();                                                                                                   \
    }                                                                                                                  \
    void set##N(int v)                                                                                                 \
    {                                                                                                                  \
        fijaId(v);                                                                                                     \
    }
#define VELKOR_ACCESORES_Texto(N, D)                                                                                   \
    QString get##N() const                                                                                             \
    {                                                                                                                  \
        return textoEn(col_##N);                                                                                       \
    }                                                                                                                  \
    void set##N(const QString& v)                                                                                      \
    {                                                                                                                  \
        fijaValor(col_##N, v);                                                                                         \
    }
#define VELKOR_ACCESORES_Entero(N, D)                                                                                  \
    int get##N() const                                                                                                 \
    {                                                                                                                  \
        return enteroEn(col_##N);                                                                                      \
    }                                                                                                                  \
    void set##N(int v)                                                                                                 \
    {                                                                                                                  \
        fijaValor(col_##N, v);                                                                                         \
    }
#define VELKOR_ACCESORES_Grande(N, D)                                                                                  \
    qint64 get##N() const                                                                                              \
    {                                                                                                                  \
        return grandeEn(col_##N);                                                                                      \
    }                                                                                                                  \
    void set##N(qint64 v)                                                                                              \
    {                                                                                                                  \
        fijaValor(col_##N, v);                                                                                         \
    }
#define VELKOR_ACCESORES_Decimal(N, D)                                                                                 \
    TDecimal get##N() const                                                                                            \
    {                                                                                                                  \
        return decimalEn(col_##N);                                                                                     \
    }                                                                                                                  \
    void set##N(const TDecimal& v)                                                                                     \
    {                                                                                                                  \
        fijaValor(col_##N, QVariant::fromValue(v));                                                                    \
    }
#define VELKOR_ACCESORES_Booleano(N, D)                                                                                \
    bool get##N() const                                                                                                \
    {                                                                                                                  \
        return booleanoEn(col_##N);                                                                                    \
    }                                                                                                                  \
    void set##N(bool v)                                                                                                \
    {                                                                                                                  \
        fijaValor(col_##N, v ? 1 : 0);                                                                                 \
    }
#define VELKOR_ACCESORES_Fecha(N, D)                                                                                   \
    QDate get##N() const                                                                                               \
    {                                                                                                                  \
        return fechaEn(col_##N);                                                                                       \
    }                                                                                                                  \
    void set##N(const QDate& v)                                                                                        \
    {                                                                                                                  \
        fijaValor(col_##N, v);                                                                                         \
    }
#define VELKOR_ACCESORES_FechaHora(N, D)                                                                               \
    QDateTime get##N() const                                                                                           \
    {                                                                                                                  \
        return fechaHoraEn(col_##N);                                                                                   \
    }                                                                                                                  \
    void set##N(const QDateTime& v)                                                                                    \
    {                                                                                                                  \
        fijaValor(col_##N, v);                                                                                         \
    }
#define VELKOR_ACCESORES_Binario(N, D)                                                                                 \
    QByteArray get##N() const                                                                                          \
    {                                                                                                                  \
        return binarioEn(col_##N);                                                                                     \
    }                                                                                                                  \
    void set##N(const QByteArray& v)                                                                                   \
    {                                                                                                                  \
        fijaValor(col_##N, v);                                                                                         \
    }
#define VELKOR_ACCESORES_Ref(N, D)                                                                                     \
    template <class R = D> std::shared_ptr<R> get##N() const                                                           \
    {                                                                                                                  \
        return referencia<R>(col_##N);                                                                                 \
    }                                                                                                                  \
    template <class R = D> void set##N(const R& v)                                                                     \
    {                                                                                                                  \
        static_assert(std::is_base_of_v<TEntidad, R>, "a stored record");                                              \
        fijaReferencia(col_##N, std::make_shared<R>(v));                                                               \
    }                                                                                                                  \
    template <class R = D> void set##N(std::shared_ptr<R> v)                                                           \
    {                                                                                                                  \
        fijaReferencia(col_##N, std::move(v));                                                                         \
    }                                                                                                                  \
    void set##N(std::nullptr_t)                                                                                        \
    {                                                                                                                  \
        fijaReferencia(col_##N, nullptr);                                                                              \
    }                                                                                                                  \
    int get##N##Id() const                                                                                             \
    {                                                                                                                  \
        return enteroEn(col_##N, -1);                                                                                  \
    }

#define VELKOR_ENTIDAD(Clase)                                                                                          \
public:                                                                                                                \
    enum Columna { VELKOR_TABLA_##Clase(VELKOR_ENUM_COLUMNA, VELKOR_ENUM_COLUMNA_AGREGADA) NumeroColumnas };           \
    static const TTabla& tablaEsquema();                                                                               \
    static TCampo columna(Columna c)                                                                                   \
    {                                                                                                                  \
        return TCampo(tablaEsquema(), c);                                                                              \
    }                                                                                                                  \
    VELKOR_TABLA_##Clase(VELKOR_ACCESORES, VELKOR_ACCESORES_AGREGADA)

#define VELKOR_DECLARA_ENTIDAD(Clase, Grupo) class Clase;
VELKOR_ENTIDADES(VELKOR_DECLARA_ENTIDAD)
#undef VELKOR_DECLARA_ENTIDAD

class BASEDATOS_EXPORT TComprobante : public TEntidadDe<TComprobante> {
    VELKOR_ENTIDAD(TComprobante)
public:
    // Tipocomprobante: the letters of versions 3.3 and 4.0, which 3.2 vouchers are given too.
    static inline const QString TIPO_COMP_33_INGRESO = QStringLiteral("I");
    static inline const QString TIPO_COMP_33_EGRESO = QStringLiteral("E");
    static inline const QString TIPO_COMP_33_TRASLADO = QStringLiteral("T");
    static inline const QString TIPO_COMP_33_NOMINA = QStringLiteral("N");
    static inline const QString TIPO_COMP_33_PAGO = QStringLiteral("P");
    // tipoDeComprobante as version 3.2 writes it.
    static inline const QString TIPO_COMP_INGRESO = QStringLiteral("ingreso");
    static inline const QString TIPO_COMP_EGRESO = QStringLiteral("egreso");
    static inline const QString TIPO_COMP_TRASLADO = QStringLiteral("traslado");
    // Categoriacomprobante, the same for every version so one report reads them all.
    static inline const QString CATEGORIA_FACTURA = QStringLiteral("Factura");
    static inline const QString CATEGORIA_NOTA_CREDITO = QStringLiteral("Nota de crédito");
    static inline const QString CATEGORIA_CARTA_PORTE = QStringLiteral("Carta porte");
    static inline const QString CATEGORIA_NOMINA = QStringLiteral("Nómina");
    static inline const QString CATEGORIA_RECIBO_DONATARIA = QStringLiteral("Recibo de donativo");
    static inline const QString CATEGORIA_PAGO = QStringLiteral("Recepción de pagos");
    // Estatus.
    static constexpr int ESTADO_FACTURA_ACTIVA = 0;
    static constexpr int ESTADO_FACTURA_CANCELADA = 1;
    // Fechacancelacion of a voucher that is not cancelled: the date-time -1.0
    // of the program's first databases, 1899-12-29 00:00.
    static QDateTime fechaSinCancelar();

    // Older databases lack what whole CFDI 3.3 and 4.0 vouchers store.
    static void actualizaCfdi40(const TConexionSesion& conexion);
    // Stamp UUIDs are kept in upper case, so a voucher that arrives with a
    // lower-case UUID is found as the same one.
    static std::unique_ptr<TComprobante> getByUUIDAndNegocio(const QString& uuid, const TNegocio& negocio,
                                                             const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TComprobanteconcepto : public TEntidadDe<TComprobanteconcepto> {
    VELKOR_ENTIDAD(TComprobanteconcepto)
};

class BASEDATOS_EXPORT TConcepto : public TEntidadDe<TConcepto> {
    VELKOR_ENTIDAD(TConcepto)
public:
    static constexpr int ESTADO_ACTIVO = 0;
    static constexpr int ESTADO_INACTIVO = 1;
    // The business's product whose description is exactly that text (letter
    // case and blanks count); with `soloActivos` inactive products are passed
    // over. The id is negative when there is none.
    static int getIDDescripcion_Negocio(const QString& descripcion, const TNegocio& negocio,
                                        const TConexionSesion& conexion, bool soloActivos);
    static std::unique_ptr<TConcepto> getByDescripcion_Negocio(const QString& descripcion, const TNegocio& negocio,
                                                               const TConexionSesion& conexion, bool soloActivos);
    // Older databases lack the SAT key columns and the price columns.
    static void actualizaColumnaConcepto(const TConexionSesion& conexion);
    static void actualizaColumnaPrecios(const TConexionSesion& conexion);
};

class BASEDATOS_EXPORT TImpuesto : public TEntidadDe<TImpuesto> {
    VELKOR_ENTIDAD(TImpuesto)
public:
    // Tipoimpuesto, of a catalogue tax and of a breakdown row.
    static inline const QString TIPO_IMPUESTO_RETENIDO = QStringLiteral("Retenido");
    static inline const QString TIPO_IMPUESTO_TRASLADADO = QStringLiteral("Trasladado");
    // The rate under which the catalogue keeps a withholding whose voucher
    // gives none (every 3.2 withholding, and those of a 3.3 or 4.0 voucher).
    static TDecimal tasaRetenido();
    // The catalogue tax with that abbreviation (exactly) and rate; no rate
    // finds the one kept without rate (an exempt tax). nullptr when none.
    static std::unique_ptr<TImpuesto> getBySiglaAndTasa(const QString& sigla, const std::optional<TDecimal>& tasa,
                                                        const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TDesgloseimpuesto : public TEntidadDe<TDesgloseimpuesto> {
    VELKOR_ENTIDAD(TDesgloseimpuesto)
};
class BASEDATOS_EXPORT TPedimentoaduanal : public TEntidadDe<TPedimentoaduanal> {
    VELKOR_ENTIDAD(TPedimentoaduanal)
};
class BASEDATOS_EXPORT TUnidadmedida : public TEntidadDe<TUnidadmedida> {
    VELKOR_ENTIDAD(TUnidadmedida)
public:
    // The unit with exactly that name; nullptr when none.
    static std::unique_ptr<TUnidadmedida> getByNombreUnidadMedida(const QString& nombre,
                                                                  const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TFormapago : public TEntidadDe<TFormapago> {
    VELKOR_ENTIDAD(TFormapago)
public:
    // The single-payment wording of version 3.2's formaDePago, compared with
    // the attribute in upper and in lower case: one spelt without accent, the
    // other with it, so both ways emitters wrote it are recognised.
    static inline const QString FORMAPAGO_UNASOLA_EX_UPPER = QStringLiteral("PAGO EN UNA SOLA EXHIBICION");
    static inline const QString FORMAPAGO_UNASOLA_EX_LOWER = QStringLiteral("pago en una sola exhibición");
    // By the SAT key ("01", "99") and by description; nullptr when none.
    static std::unique_ptr<TFormapago> getByClave(const QString& clave, const TConexionSesion& conexion);
    static std::unique_ptr<TFormapago> getByDescripcion(const QString& descripcion, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TMetodopago : public TEntidadDe<TMetodopago> {
    VELKOR_ENTIDAD(TMetodopago)
public:
    // By the code the voucher writes ("PUE", "PPD"); nullptr when none.
    static std::unique_ptr<TMetodopago> getByCodigo(const QString& codigo, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TNegocio : public TEntidadDe<TNegocio> {
    VELKOR_ENTIDAD(TNegocio)
public:
    static constexpr int ESTATUS_ACTIVO = 0;
    static constexpr int ESTATUS_INACTIVO = 1;
    // The business whose fiscal data carry that RFC; nullptr when none.
    static std::unique_ptr<TNegocio> getByRFC(const QString& rfc, const TConexionSesion& conexion);
    // The same look-up; references are read on first use either way.
    static std::unique_ptr<TNegocio> getByRFCSinLoad(const QString& rfc, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TDatosfiscales : public TEntidadDe<TDatosfiscales> {
    VELKOR_ENTIDAD(TDatosfiscales)
};
class BASEDATOS_EXPORT TRegimen : public TEntidadDe<TRegimen> {
    VELKOR_ENTIDAD(TRegimen)
public:
    // Personafiscal: whether the regime is one of a natural or of a legal person.
    static inline const QString PERSONA_FISICA = QStringLiteral("Física");
    static inline const QString PERSONA_MORAL = QStringLiteral("Moral");
    static std::unique_ptr<TRegimen> getByDescripcion(const QString& descripcion, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TRegimennegocio : public TEntidadDe<TRegimennegocio> {
    VELKOR_ENTIDAD(TRegimennegocio)
};
class BASEDATOS_EXPORT TSucursal : public TEntidadDe<TSucursal> {
    VELKOR_ENTIDAD(TSucursal)
public:
    // Tipo: the head office or a further branch.
    static constexpr int TIPO_MATRIZ = 1;
    static constexpr int TIPO_SUCURSAL = 2;
    // Numerosucursal: the branch the program starts on, or another.
    static constexpr int SUCURSAL_DEFAULT = 1;
    static constexpr int SUCURSAL_NO_DEFAULT = 0;
    static inline const QString MATRIZ_STRING = QStringLiteral("Matriz");
    static std::unique_ptr<TSucursal> getByNombreAndNegocio(const QString& nombre, const TNegocio& negocio,
                                                            const TConexionSesion& conexion);
    // The business's branches in the order they were created.
    static QList<TSucursal> getByNegocio(const TNegocio& negocio, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TSerie : public TEntidadDe<TSerie> {
    VELKOR_ENTIDAD(TSerie)
};
class BASEDATOS_EXPORT TDireccion : public TEntidadDe<TDireccion> {
    VELKOR_ENTIDAD(TDireccion)
public:
    // Pais of an address that has a Mexican postal code.
    static inline const QString PAIS_MEXICO = QStringLiteral("MEX - México");
};
class BASEDATOS_EXPORT TCodigopostal : public TEntidadDe<TCodigopostal> {
    VELKOR_ENTIDAD(TCodigopostal)
public:
    static std::unique_ptr<TCodigopostal> getByCP(const QString& cp, const TConexionSesion& conexion);
    // A new record from the SAT catalogue's rows of a code ("NAME=value",
    // TBaseDatosCatalogosFrm): the code, and state, municipality and locality
    // each as "key - name" (empty for a part the catalogue does not give).
    // nullopt when there are no rows.
    static std::optional<TCodigopostal> desdeCatalogo(const QStringList& filas);
};
class BASEDATOS_EXPORT TPersona : public TEntidadDe<TPersona> {
    VELKOR_ENTIDAD(TPersona)
};
class BASEDATOS_EXPORT TCliente : public TEntidadDe<TCliente> {
    VELKOR_ENTIDAD(TCliente)
public:
    static constexpr int ESTATUS_ACTIVO = 0;
    // The business's customer whose fiscal data carry that RFC (surrounding
    // blanks aside); nullptr when none.
    static std::unique_ptr<TCliente> getByRFC(const QString& rfc, const TNegocio& negocio,
                                              const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TContacto : public TEntidadDe<TContacto> {
    VELKOR_ENTIDAD(TContacto)
};
class BASEDATOS_EXPORT TTelefono : public TEntidadDe<TTelefono> {
    VELKOR_ENTIDAD(TTelefono)
};
class BASEDATOS_EXPORT TEmail : public TEntidadDe<TEmail> {
    VELKOR_ENTIDAD(TEmail)
};
class BASEDATOS_EXPORT TImagen : public TEntidadDe<TImagen> {
    VELKOR_ENTIDAD(TImagen)
};
class BASEDATOS_EXPORT TUsuario : public TEntidadDe<TUsuario> {
    VELKOR_ENTIDAD(TUsuario)
public:
    // The user with that e-mail (letter case and surrounding blanks aside);
    // nullptr when none.
    static std::unique_ptr<TUsuario> getInfoByEmail(const QString& email, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TUsuarionegocio : public TEntidadDe<TUsuarionegocio> {
    VELKOR_ENTIDAD(TUsuarionegocio)
public:
    static std::unique_ptr<TUsuarionegocio> getByUsuarioAndNegocio(const TUsuario& usuario, const TNegocio& negocio,
                                                                   const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TCertificado : public TEntidadDe<TCertificado> {
    VELKOR_ENTIDAD(TCertificado)
public:
    // The business's newest certificate; nullptr when it has none.
    static std::unique_ptr<TCertificado> getByNegocio(const TNegocio& negocio, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TDonataria : public TEntidadDe<TDonataria> {
    VELKOR_ENTIDAD(TDonataria)
};
class BASEDATOS_EXPORT TEmpleado : public TEntidadDe<TEmpleado> {
    VELKOR_ENTIDAD(TEmpleado)
public:
    // Ultimamodificacionpor of an employee a payroll 1.1 receipt brought in.
    static constexpr int MODIFICADO_POR_IMPORTACION = 1;
    // The employee with that CURP (surrounding blanks aside); nullptr when none.
    static std::unique_ptr<TEmpleado> getByCURP(const QString& curp, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TNominacomprobante : public TEntidadDe<TNominacomprobante> {
    VELKOR_ENTIDAD(TNominacomprobante)
};

class BASEDATOS_EXPORT TNominacomprobanteempleado : public TEntidadDe<TNominacomprobanteempleado> {
    VELKOR_ENTIDAD(TNominacomprobanteempleado)
public:
    // Older databases lack this table.
    static void createTable(const TConexionSesion& conexion);
};

class BASEDATOS_EXPORT TPercepcion : public TEntidadDe<TPercepcion> {
    VELKOR_ENTIDAD(TPercepcion)
};
class BASEDATOS_EXPORT TDeduccion : public TEntidadDe<TDeduccion> {
    VELKOR_ENTIDAD(TDeduccion)
};

class BASEDATOS_EXPORT TCfdirelacionado : public TEntidadDe<TCfdirelacionado> {
    VELKOR_ENTIDAD(TCfdirelacionado)
public:
    // Every stored relation to the voucher with that UUID (letter case and
    // blanks aside): the credit notes, payments and substitutes that name it.
    static QList<TCfdirelacionado> getByUUID(const QString& uuid, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TOtropago : public TEntidadDe<TOtropago> {
    VELKOR_ENTIDAD(TOtropago)
};
class BASEDATOS_EXPORT TIncapacidad : public TEntidadDe<TIncapacidad> {
    VELKOR_ENTIDAD(TIncapacidad)
};
class BASEDATOS_EXPORT TMetadatosat : public TEntidadDe<TMetadatosat> {
    VELKOR_ENTIDAD(TMetadatosat)
public:
    // Estatussat as the SAT writes it.
    static inline const QString ESTATUS_VIGENTE = QStringLiteral("1");
    static inline const QString ESTATUS_CANCELADO = QStringLiteral("0");
    bool cancelado() const { return getEstatussat() == ESTATUS_CANCELADO; }
};

// The tables that came after the first databases were delivered.
class BASEDATOS_EXPORT TNuevastablas {
public:
    static void createTable(const TConexionSesion& conexion);
};
