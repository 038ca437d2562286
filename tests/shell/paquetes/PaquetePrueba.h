#pragma once
#include "Entidades.h"
#include "TElementoMenuModulo.h"
#include "TElementoModulo.h"

#include <QLabel>
#include <QObject>
#include <QWidget>

// Fixture packages of the shell's tests: one source built several times, each
// build (VARIANTE_*) registering its classes under other names and offering
// another menu, so each package file shows one case the loader and the menu
// must handle.

class TMenuPruebaFrm : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TMenuPruebaFrm(QObject* parent = nullptr);
    Q_INVOKABLE TListaMenuModulo GetMenuItems() const;
};

class TVentanaPruebaFrm : public QWidget {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TVentanaPruebaFrm(QWidget* parent = nullptr);

#define VELKOR_RUTINA_PRUEBA(Nombre)                                                                                   \
    Q_INVOKABLE TElementoModulo* Nombre(const QString&, const TNegocio*, const TUsuario*, const TConexionSesion*,      \
                                        const TUsuarionegocio*, QWidget*, QWidget*, QLabel*)                           \
    {                                                                                                                  \
        return creaVentana(QStringLiteral(#Nombre));                                                                   \
    }
    VELKOR_RUTINA_PRUEBA(GetVentanaBridgeTXTFrm)
    VELKOR_RUTINA_PRUEBA(GetVentanaProductosFrm)
    VELKOR_RUTINA_PRUEBA(GetVentanaAFrm)
    VELKOR_RUTINA_PRUEBA(GetVentanaClientesFrm)
#undef VELKOR_RUTINA_PRUEBA

private:
    TElementoModulo* creaVentana(const QString& nombre);
};

// A content whose opening does what its text says: "lanza" throws a
// std::exception, "entero" throws an int, "espera" lets the events already
// waiting run before it returns, as a content waiting for a reply does.
class TContenidoPrueba : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit TContenidoPrueba(QWidget* parent = nullptr);
    QString text() const { return m_texto; }
    void setText(const QString& texto) { m_texto = texto; }
    Q_INVOKABLE void click(QObject* emisor);

private:
    QString m_texto;
};
