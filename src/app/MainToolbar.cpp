#include "app/MainToolbar.h"

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

#include <string_view>

namespace {

struct ButtonSpec {
    const char *key;  // nullptr: a separator
    const char *tooltip;
    const char *icon;  // freedesktop theme name, also the fallback's file name
};

constexpr ButtonSpec kButtons[MainToolbar::ButtonCount] = {
    {"New", "New", "document-new"},
    {"Open", "Open", "document-open"},
    {nullptr, nullptr, nullptr},
    {"Save", "Save", "document-save"},
    {"Save As", "Save As...", "document-save-as"},
    {"Save Selection As", "Save Selection As...", "document-export"},
    {nullptr, nullptr, nullptr},
    {"Find", "Find", "edit-find"},
    {nullptr, nullptr, nullptr},
    {"Cut", "Cut", "edit-cut"},
    {"Copy", "Copy", "edit-copy"},
    {"Paste", "Paste", "edit-paste"},
    {nullptr, nullptr, nullptr},
    {"Bold", "Bold", "format-text-bold"},
    {"Italic", "Italic", "format-text-italic"},
    {"Underline", "Underline", "format-text-underline"},
    {nullptr, nullptr, nullptr},
    {"Font", "Font", "preferences-desktop-font"},
    {"Color", "Color", "format-text-color"},
    {nullptr, nullptr, nullptr},
    {"Favorites", "Favorite Files/Folders", "bookmark-new"},
    {nullptr, nullptr, nullptr},
    {"Help", "Help", "help-contents"},
    {nullptr, nullptr, nullptr},
    {"Exit", "Exit", "application-exit"},
};

struct MenuSpec {
    const char *text;
    const char *key;
    float points;  // the Font drop-down's
    QRgb color;    // the Color drop-down's
};

constexpr MenuSpec kFontEntries[] = {
    {"8 points", "Font8", 8, 0}, {"10 points", "Font10", 10, 0}, {"12 points", "Font12", 12, 0},
    {"14 points", "Font14", 14, 0}};
constexpr MenuSpec kColorEntries[] = {
    {"Black", "FontBlack", 0, qRgb(0, 0, 0)}, {"Red", "FontRed", 0, qRgb(255, 0, 0)},
    {"Green", "FontGreen", 0, qRgb(0, 128, 0)}, {"Blue", "FontBlue", 0, qRgb(0, 0, 255)}};

// The named positions must stay those of the buttons they name.
constexpr bool keyAt(int position, std::string_view key)
{
    return kButtons[position - 1].key && kButtons[position - 1].key == key;
}
static_assert(keyAt(MainToolbar::NewButton, "New") && keyAt(MainToolbar::OpenButton, "Open")
              && keyAt(MainToolbar::SaveButton, "Save") && keyAt(MainToolbar::SaveAsButton, "Save As")
              && keyAt(MainToolbar::SaveSelectionButton, "Save Selection As") && keyAt(MainToolbar::FindButton, "Find")
              && keyAt(MainToolbar::CutButton, "Cut") && keyAt(MainToolbar::CopyButton, "Copy")
              && keyAt(MainToolbar::PasteButton, "Paste") && keyAt(MainToolbar::BoldButton, "Bold")
              && keyAt(MainToolbar::ItalicButton, "Italic") && keyAt(MainToolbar::UnderlineButton, "Underline")
              && keyAt(MainToolbar::FontButton, "Font") && keyAt(MainToolbar::ColorButton, "Color")
              && keyAt(MainToolbar::FavoritesButton, "Favorites") && keyAt(MainToolbar::HelpButton, "Help")
              && keyAt(MainToolbar::ExitButton, "Exit"));

const char *const kKeyProperty = "buttonKey";

QIcon themedIcon(const char *name)
{
    QIcon fallback;
    const QString base = QStringLiteral(":/icons/") + QLatin1String(name);
    fallback.addFile(base + QStringLiteral("-16.png"), QSize(16, 16));
    fallback.addFile(base + QStringLiteral("-32.png"), QSize(32, 32));
    return QIcon::fromTheme(QLatin1String(name), fallback);
}

} // namespace

static void initToolbarResources()
{
    // The icons live in a static library; their resource data must be pulled in by name.
    Q_INIT_RESOURCE(icons);
}

MainToolbar::MainToolbar(QToolBar &bar)
    : QObject(&bar)
    , m_bar(bar)
{
    initToolbarResources();
    m_bar.setIconSize(QSize(16, 16));
    for (const ButtonSpec &spec : kButtons) {
        if (!spec.key) {
            m_entries << m_bar.addSeparator();
            continue;
        }
        const QString key = QLatin1String(spec.key);
        auto *button = new QAction(themedIcon(spec.icon), key, &m_bar);
        button->setToolTip(QLatin1String(spec.tooltip));
        button->setProperty(kKeyProperty, key);
        button->setObjectName(QStringLiteral("tbToolbar_") + QString(key).remove(QLatin1Char(' ')));
        m_bar.addAction(button);
        m_entries << button;

        const bool font = key == QLatin1String("Font");
        if (font || key == QLatin1String("Color")) {
            auto *menu = new QMenu(&m_bar);
            for (const MenuSpec &entry : font ? kFontEntries : kColorEntries) {
                QAction *item = menu->addAction(QLatin1String(entry.text));
                const QString entryKey = QLatin1String(entry.key);
                item->setProperty(kKeyProperty, entryKey);
                m_menuEntries << item;
                if (font)
                    connect(item, &QAction::triggered, this, [this, entry] { emit fontSizeChosen(entry.points); });
                else
                    connect(item, &QAction::triggered, this, [this, entry] { emit colorChosen(QColor(entry.color)); });
            }
            button->setMenu(menu);
            // The main part clicks; the arrow opens the menu.
            if (auto *tool = qobject_cast<QToolButton *>(m_bar.widgetForAction(button))) {
                tool->setPopupMode(QToolButton::MenuButtonPopup);
                // The open menu holds the mouse, so the button never hears that the pointer
                // left it and would stay drawn raised; it asks where the pointer is instead.
                connect(menu, &QMenu::aboutToHide, tool, [tool] {
                    QTimer::singleShot(0, tool, [tool] {
                        tool->setAttribute(Qt::WA_UnderMouse, tool->rect().contains(tool->mapFromGlobal(QCursor::pos())));
                        tool->update();
                    });
                });
            }
        }
    }
    for (int position : {BoldButton, ItalicButton, UnderlineButton})
        button(position)->setCheckable(true);
}

QAction *MainToolbar::button(int position) const
{
    return m_entries.value(position - 1);
}

QAction *MainToolbar::buttonByKey(const QString &wanted) const
{
    for (QAction *entry : m_entries) {
        if (key(entry) == wanted)
            return entry;
    }
    return nullptr;
}

QAction *MainToolbar::menuEntry(const QString &wanted) const
{
    for (QAction *entry : m_menuEntries) {
        if (key(entry) == wanted)
            return entry;
    }
    return nullptr;
}

QString MainToolbar::key(const QAction *button)
{
    return button ? button->property(kKeyProperty).toString() : QString();
}

int MainToolbar::value(const QAction *button)
{
    return button && button->isChecked() ? 1 : 0;
}
