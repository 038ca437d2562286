#pragma once
#include "admin/TEdicionEmpresa.h"
#include "admin/TUsuariosNegocio.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class TSeccionEmpresa;
class TSeccionFiscal;
class TSeccionLogo;
class TSeccionNombre;
class TSeccionSeries;
class TSeccionUsuarios;

// The company editor: one long page of seven sections that open like an
// accordion (name, certificate, fiscal data, image, series, branches,
// users), hosted in the main window through its content holder TxFondo.
// Each section is a class of its own (TSeccion*.h) that only gathers what is
// typed and shows messages: the work is EdicionEmpresa's and
// UsuariosNegocio's. Opening a section reads it again from the database, so
// what another user saved meanwhile shows.
//
// It knows no other window but its two sub-windows: what changes for the
// main window is announced with signals, and so is the deletion of the
// business, after which the start-up hands over to the wizard.
class TEmpresaFrm : public QWidget {
    Q_OBJECT
public:
    explicit TEmpresaFrm(QWidget* parent = nullptr);

    // The page's content, moved into the main window's work area when shown.
    QWidget* TxFondo;

    // Reads the signed-in business again and closes every section.
    void inicializa();
    // Shown, the editor starts at its first section, never at the bin.
    void enfoca();
    // The same, with the image (or name) section open.
    void inicializaLogoNegocio();
    void inicializaNombreEmpresa();
    void inicializaSeries();
    // Closes every section.
    void inicializaPaneles();
    // Before the page or a section is left: asks once whether to throw away
    // what was typed and not saved, and on yes shows the stored values
    // again. False when the user keeps the typing.
    bool dejaCambios();
    // The page height: title, the seven sections and a margin; the holder
    // takes it.
    int getHeight();

    // The series rows and users rows shown (the grids' data).
    const QList<EdicionEmpresa::TFilaSerie>& filasSeries() const;
    const QList<UsuariosNegocio::TFilaUsuario>& filasUsuarios() const;
    // The picture chosen in the image section and not stored yet.
    QString imagenElegida() const;

signals:
    // The business's name or logo changed.
    void negocioModificado();
    // The business's series or branches changed.
    void seriesModificadas();
    // The business was deleted; the registry still lists that many.
    void empresaEliminada(int empresasActivas);
    // A section opened or closed: the page is now this tall.
    void alturaCambiada(int altura);

private:
    void creaTitulo();
    void creaSecciones();
    void aplicaEstilos();
    void ordenTabulacion();

    // Opens `seccion` (closing the others) or closes it when open; an opened
    // section is read again first.
    void alterna(TSeccionEmpresa* seccion);
    void abre(TSeccionEmpresa* seccion);
    void actualizaAltura();

    void ImgBoteBasuraClick();
    // Asks where and writes a backup of the business; false when the user
    // cancelled or it could not be written (the error shown).
    bool guardaRespaldo(const EdicionEmpresa::TEmpresaSesion& empresa);
    // Deletes the business once its copy is kept; on a failure the error is
    // shown and the business stays.
    void eliminaEmpresa(const EdicionEmpresa::TEmpresaSesion& empresa);
    // Runs `trabajo` on a thread of its own behind a modal progress window
    // (titled `titulo`, with a cancel button while the work may stop), so
    // the window keeps painting and takes no second action meanwhile. True
    // when it ended well; an error or a cancel is told to the user here.
    bool enSegundoPlano(const QString& titulo, const std::function<void(const EdicionEmpresa::TAviso&)>& trabajo);

    QLabel* ImgLapiz;
    QLabel* ImgBoteBasura;
    TSeccionNombre* m_nombre;
    TSeccionFiscal* m_fiscal;
    TSeccionLogo* m_logo;
    TSeccionSeries* m_series;
    TSeccionUsuarios* m_usuarios;
    // In page order.
    QList<TSeccionEmpresa*> m_secciones;
    // A backup or the deletion is running.
    bool m_ocupado = false;
};
