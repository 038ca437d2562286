#pragma once
#include "BaseDatosExport.h"
#include "EsquemaEntidades.h"
#include "TEntidad.h"

#include <cstddef>
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

#define VELKOR_ACCESORES_Id(N, D) \
    int get##N() const { return id(); } \
    void set##N(int v) { fijaId(v); }
#define VELKOR_ACCESORES_Texto(N, D) \
    QString get##N() const { return textoEn(col_##N); } \
    void set##N(const QString& v) { fijaValor(col_##N, v); }
#define VELKOR_ACCESORES_Entero(N, D) \
    int get##N() const { return enteroEn(col_##N); } \
    void set##N(int v) { fijaValor(col_##N, v); }
#define VELKOR_ACCESORES_Grande(N, D) \
    qint64 get##N() const { return grandeEn(col_##N); } \
    void set##N(qint64 v) { fijaValor(col_##N, v); }
#define VELKOR_ACCESORES_Decimal(N, D) \
    TDecimal get##N() const { return decimalEn(col_##N); } \
    void set##N(const TDecimal& v) { fijaValor(col_##N, QVariant::fromValue(v)); }
#define VELKOR_ACCESORES_Booleano(N, D) \
    bool get##N() const { return booleanoEn(col_##N); } \
    void set##N(bool v) { fijaValor(col_##N, v ? 1 : 0); }
#define VELKOR_ACCESORES_Fecha(N, D) \
    QDate get##N() const { return fechaEn(col_##N); } \
    void set##N(const QDate& v) { fijaValor(col_##N, v); }
#define VELKOR_ACCESORES_FechaHora(N, D) \
    QDateTime get##N() const { return fechaHoraEn(col_##N); } \
    void set##N(const QDateTime& v) { fijaValor(col_##N, v); }
#define VELKOR_ACCESORES_Binario(N, D) \
    QByteArray get##N() const { return binarioEn(col_##N); } \
    void set##N(const QByteArray& v) { fijaValor(col_##N, v); }
#define VELKOR_ACCESORES_Ref(N, D) \
    template <class R = D> std::shared_ptr<R> get##N() const { return referencia<R>(col_##N); } \
    template <class R = D> void set##N(const R& v) \
    { \
        static_assert(std::is_base_of_v<TEntidad, R>, "a stored record"); \
        fijaReferencia(col_##N, std::make_shared<R>(v)); \
    } \
    template <class R = D> void set##N(std::shared_ptr<R> v) { fijaReferencia(col_##N, std::move(v)); } \
    void set##N(std::nullptr_t) { fijaReferencia(col_##N, nullptr); } \
    int get##N##Id() const { return enteroEn(col_##N, -1); }

#define VELKOR_ENTIDAD(Clase) \
public: \
    enum Columna { VELKOR_TABLA_##Clase(VELKOR_ENUM_COLUMNA, VELKOR_ENUM_COLUMNA_AGREGADA) NumeroColumnas }; \
    static const TTabla& tablaEsquema(); \
    static TCampo columna(Columna c) { return TCampo(tablaEsquema(), c); } \
    VELKOR_TABLA_##Clase(VELKOR_ACCESORES, VELKOR_ACCESORES_AGREGADA)

#define VELKOR_DECLARA_ENTIDAD(Clase, Grupo) class Clase;
VELKOR_ENTIDADES(VELKOR_DECLARA_ENTIDAD)
#undef VELKOR_DECLARA_ENTIDAD

class BASEDATOS_EXPORT TComprobante : public TEntidadDe<TComprobante> {
    VELKOR_ENTIDAD(TComprobante)
public:
    // Stamp UUIDs are kept in upper case, so a voucher that arrives with a
    // lower-case UUID is found as the same one.
    static std::unique_ptr<TComprobante> getByUUIDAndNegocio(const QString& uuid, const TNegocio& negocio,
                                                             const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TComprobanteconcepto : public TEntidadDe<TComprobanteconcepto> { VELKOR_ENTIDAD(TComprobanteconcepto) };

class BASEDATOS_EXPORT TConcepto : public TEntidadDe<TConcepto> {
    VELKOR_ENTIDAD(TConcepto)
public:
    // Older databases lack the SAT key columns and the price columns.
    static void actualizaColumnaConcepto(const TConexionSesion& conexion);
    static void actualizaColumnaPrecios(const TConexionSesion& conexion);
};

class BASEDATOS_EXPORT TImpuesto : public TEntidadDe<TImpuesto> { VELKOR_ENTIDAD(TImpuesto) };
class BASEDATOS_EXPORT TDesgloseimpuesto : public TEntidadDe<TDesgloseimpuesto> { VELKOR_ENTIDAD(TDesgloseimpuesto) };
class BASEDATOS_EXPORT TPedimentoaduanal : public TEntidadDe<TPedimentoaduanal> { VELKOR_ENTIDAD(TPedimentoaduanal) };
class BASEDATOS_EXPORT TUnidadmedida : public TEntidadDe<TUnidadmedida> { VELKOR_ENTIDAD(TUnidadmedida) };
class BASEDATOS_EXPORT TFormapago : public TEntidadDe<TFormapago> { VELKOR_ENTIDAD(TFormapago) };
class BASEDATOS_EXPORT TMetodopago : public TEntidadDe<TMetodopago> { VELKOR_ENTIDAD(TMetodopago) };
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
class BASEDATOS_EXPORT TDatosfiscales : public TEntidadDe<TDatosfiscales> { VELKOR_ENTIDAD(TDatosfiscales) };
class BASEDATOS_EXPORT TRegimen : public TEntidadDe<TRegimen> {
    VELKOR_ENTIDAD(TRegimen)
public:
    static std::unique_ptr<TRegimen> getByDescripcion(const QString& descripcion, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TRegimennegocio : public TEntidadDe<TRegimennegocio> { VELKOR_ENTIDAD(TRegimennegocio) };
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
class BASEDATOS_EXPORT TSerie : public TEntidadDe<TSerie> { VELKOR_ENTIDAD(TSerie) };
class BASEDATOS_EXPORT TDireccion : public TEntidadDe<TDireccion> { VELKOR_ENTIDAD(TDireccion) };
class BASEDATOS_EXPORT TCodigopostal : public TEntidadDe<TCodigopostal> {
    VELKOR_ENTIDAD(TCodigopostal)
public:
    static std::unique_ptr<TCodigopostal> getByCP(const QString& cp, const TConexionSesion& conexion);
};
class BASEDATOS_EXPORT TPersona : public TEntidadDe<TPersona> { VELKOR_ENTIDAD(TPersona) };
class BASEDATOS_EXPORT TCliente : public TEntidadDe<TCliente> {
    VELKOR_ENTIDAD(TCliente)
public:
    static constexpr int ESTATUS_ACTIVO = 0;
};
class BASEDATOS_EXPORT TContacto : public TEntidadDe<TContacto> { VELKOR_ENTIDAD(TContacto) };
class BASEDATOS_EXPORT TTelefono : public TEntidadDe<TTelefono> { VELKOR_ENTIDAD(TTelefono) };
class BASEDATOS_EXPORT TEmail : public TEntidadDe<TEmail> { VELKOR_ENTIDAD(TEmail) };
class BASEDATOS_EXPORT TImagen : public TEntidadDe<TImagen> { VELKOR_ENTIDAD(TImagen) };
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
class BASEDATOS_EXPORT TDonataria : public TEntidadDe<TDonataria> { VELKOR_ENTIDAD(TDonataria) };
class BASEDATOS_EXPORT TEmpleado : public TEntidadDe<TEmpleado> { VELKOR_ENTIDAD(TEmpleado) };
class BASEDATOS_EXPORT TNominacomprobante : public TEntidadDe<TNominacomprobante> { VELKOR_ENTIDAD(TNominacomprobante) };

class BASEDATOS_EXPORT TNominacomprobanteempleado : public TEntidadDe<TNominacomprobanteempleado> {
    VELKOR_ENTIDAD(TNominacomprobanteempleado)
public:
    // Older databases lack this table.
    static void createTable(const TConexionSesion& conexion);
};

class BASEDATOS_EXPORT TPercepcion : public TEntidadDe<TPercepcion> { VELKOR_ENTIDAD(TPercepcion) };
class BASEDATOS_EXPORT TDeduccion : public TEntidadDe<TDeduccion> { VELKOR_ENTIDAD(TDeduccion) };

// The tables that came after the first databases were delivered.
class BASEDATOS_EXPORT TNuevastablas {
public:
    static void createTable(const TConexionSesion& conexion);
};
