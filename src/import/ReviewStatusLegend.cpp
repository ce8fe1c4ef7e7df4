#include "ReviewStatusLegend.h"

#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ReviewStatusLegend::ReviewStatusLegend(QWidget *parent) : QWidget(parent)
{
    struct LegendRow {
        const char *symbol;
        QColor color;
        QString text;
    };
    const LegendRow rows[] = {
        {"star.fill", Theme::starColor(), tr("Active - Currently affects your health")},
        {"star", Theme::secondaryColor(this), tr("Inactive - Does not currently affect your health")},
        {"lock.fill", palette().color(QPalette::Highlight),
         tr("Private - Excluded from sharing and not analyzed by Vantorelle")},
    };
    setObjectName(QStringLiteral("statusLegend"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(10);
    for (const LegendRow &entry : rows) {
        auto *line = new QHBoxLayout;
        line->setSpacing(10);
        auto *symbol = new QLabel(this);
        symbol->setFixedWidth(18);
        symbol->setPixmap(SymbolIcons::tinted(QLatin1String(entry.symbol), 16, entry.color));
        line->addWidget(symbol, 0, Qt::AlignTop);
        auto *text = new QLabel(entry.text, this);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        text->setFont(Theme::subheadlineFont());
        Theme::setTextColor(text, Theme::secondaryColor(this));
        line->addWidget(text, 1);
        layout->addLayout(line);
    }
}
