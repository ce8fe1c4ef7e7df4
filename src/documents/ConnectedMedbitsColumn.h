#pragma once

#include "records/Medbit.h"

#include <QList>
#include <QWidget>

class QLabel;
class QScrollArea;
class QVBoxLayout;

// "Connected Entries": the timeline entries linked to the selected document, one row each in the order
// given, or "No connected entries.". Choosing a row hands its entry on.
class ConnectedMedbitsColumn final : public QWidget
{
    Q_OBJECT

public:
    explicit ConnectedMedbitsColumn(QWidget *parent);

    // Rows are built again only when the entries differ from those shown.
    void setMedbits(const QList<Medbit> &medbits);

Q_SIGNALS:
    void medbitChosen(const Medbit &medbit);

private:
    QList<Medbit> m_medbits;
    QLabel *m_empty = nullptr;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_rows = nullptr;
};
