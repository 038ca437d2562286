#pragma once
#include <QLabel>
#include <QPointer>
#include <QString>
#include <QThread>

// Counts the XML files of a folder tree on a thread of its own, with the walk
// the import makes (TRecorridoXML), showing the count so far in a label of
// the import window. The label changes only on the UI thread, which the
// count waits for at each file. Stops between files when interrupted.
class TConteoArchivos : public QThread {
    Q_OBJECT
public:
    // Shows "0" in `text` at once; runs on the UI thread.
    TConteoArchivos(const QString& directorio, QLabel* text);

    // Files counted so far; final once the thread has ended.
    int getContador() const { return contador; }

protected:
    void run() override;

private:
    void cuentaArchivosXML();
    void actualizaText();

    int contador = 0;
    QPointer<QLabel> text;
    QString directorio;
};
