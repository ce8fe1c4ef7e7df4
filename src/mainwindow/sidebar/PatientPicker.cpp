#include "mainwindow/sidebar/PatientPicker.h"

#include "widgets/SymbolIcons.h"
#include "widgets/Theme.h"

#include <QAccessibleWidget>
#include <QMenu>

#include <algorithm>

namespace
{

// Reads the picker as a menu button whose one child is its menu, and opens the menu for "ShowMenu" and "Press".
class PatientPickerAccessible final : public QAccessibleWidget
{
public:
    explicit PatientPickerAccessible(PatientPicker *picker) : QAccessibleWidget(picker, QAccessible::ButtonMenu) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.hasPopup = true;
        state.expandable = true;
        state.expanded = menu()->isVisible();
        state.collapsed = !state.expanded;
        return state;
    }

    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == menu() ? 0 : -1;
    }

    QStringList actionNames() const override
    {
        const QStringList own = picker()->isEnabled() ? QStringList{showMenuAction(), pressAction()} : QStringList();
        return own + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == showMenuAction() || name == pressAction()) {
            if (picker()->isEnabled())
                picker()->popUpMenu();
            return;
        }
        QAccessibleWidget::doAction(name);
    }

private:
    PatientPicker *picker() const { return static_cast<PatientPicker *>(widget()); }
    QMenu *menu() const { return picker()->menu(); }
};

QAccessibleInterface *pickerAccessible(const QString &, QObject *object)
{
    if (auto *picker = qobject_cast<PatientPicker *>(object))
        return new PatientPickerAccessible(picker);
    return nullptr;
}

} // namespace

PatientPicker::PatientPicker(QWidget *parent) : MenuButton(parent)
{
    static const bool accessibleInstalled = (QAccessible::installFactory(&pickerAccessible), true);
    Q_UNUSED(accessibleInstalled);
    setObjectName(QStringLiteral("patientPicker"));
    setIcon(SymbolIcons::icon(QStringLiteral("person.crop.circle.fill")));
    setIconSize(QSize(22, 22));
    // As wide as its name, so that the menu's chevron sits beside the name, not at the column's far edge.
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setFont(Theme::systemFont(13, QFont::Medium));
    setChevronColor(Theme::secondaryColor(this));
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("patientMenu"));
    // An item pressed through its accessible action is triggered without the menu closing itself.
    connect(menu, &QMenu::triggered, menu, &QMenu::hide);
    setMenu(menu);
}

void PatientPicker::setPatients(const QList<Patient> &patients, const QString &selectedID)
{
    QString name = tr("Select Patient");
    QMenu *menu = this->menu();
    menu->clear();
    bool named = false;
    for (const Patient &patient : patients) {
        const bool selected = patient._id == selectedID;
        if (selected && !named) {
            name = patient.displayName();
            named = true;
        }
        QAction *item = menu->addAction(patient.displayName());
        item->setData(patient._id);
        item->setCheckable(true);
        item->setChecked(selected);
        const QString id = patient._id;
        // Queued: the choice rebuilds this menu, which must not delete the action while it is signalling.
        connect(
            item, &QAction::triggered, this, [this, id] { Q_EMIT patientChosen(id); }, Qt::QueuedConnection);
    }
    setText(name);
    setAccessibleName(tr("Patient: %1").arg(name));
}

void PatientPicker::popUpMenu()
{
    QMenu *menu = this->menu();
    menu->popup(mapToGlobal(QPoint(0, height())));
    const QList<QAction *> items = menu->actions();
    const auto current = std::find_if(items.cbegin(), items.cend(), [](QAction *item) { return item->isChecked(); });
    if (current != items.cend())
        menu->setActiveAction(*current);
}
