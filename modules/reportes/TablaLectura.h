#pragma once
#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTableView>

// The read-only tables of the reports look and behave alike: whole rows
// selected, no editing, compact rows without row numbers.
inline QTableView* tablaLectura(QWidget* padre, const QString& nombre, QAbstractItemModel* modelo)
{
    auto* tabla = new QTableView(padre);
    tabla->setObjectName(nombre);
    tabla->setModel(modelo);
    tabla->setSelectionBehavior(QAbstractItemView::SelectRows);
    tabla->setSelectionMode(QAbstractItemView::SingleSelection);
    tabla->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tabla->setAlternatingRowColors(true);
    tabla->setWordWrap(false);
    // A table that moves between its cells with Tab keeps the keyboard in
    // it: the buttons around it could not be reached without a mouse.
    tabla->setTabKeyNavigation(false);
    tabla->verticalHeader()->hide();
    tabla->verticalHeader()->setDefaultSectionSize(22);
    return tabla;
}
