#pragma once
#include <QHash>
#include <QList>
#include <QString>
#include <QWidget>

#include <utility>

class QLabel;

// A read-only page of the signed-in session's data: a title and captioned
// values, each found by its object name. The shell's pages that still wait
// for their editors show this much.
class TPaginaDatos : public QWidget {
    Q_OBJECT
public:
    // `campos`: object name and caption of each value, in order.
    TPaginaDatos(const QString& titulo, const QList<std::pair<QString, QString>>& campos, QWidget* parent = nullptr);

    void fijaValor(const QString& nombre, const QString& valor);

private:
    QHash<QString, QLabel*> m_valores;
};
