#include "platform/HelpViewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace help {

namespace {

QString decodeEntities(QString text)
{
    text.replace(QLatin1String("&lt;"), QLatin1String("<"));
    text.replace(QLatin1String("&gt;"), QLatin1String(">"));
    text.replace(QLatin1String("&quot;"), QLatin1String("\""));
    text.replace(QLatin1String("&#39;"), QLatin1String("'"));
    text.replace(QLatin1String("&apos;"), QLatin1String("'"));
    text.replace(QLatin1String("&amp;"), QLatin1String("&"));  // last, so "&amp;lt;" stays "&lt;"
    return text;
}

} // namespace

QList<Topic> topicIndex(const QString &html)
{
    static const QRegularExpression anchorTag(QStringLiteral("<a\\b([^>]*)>"),
                                              QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral("([\\w-]+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))"));

    QList<Topic> topics;
    for (auto tags = anchorTag.globalMatch(html); tags.hasNext();) {
        const QString attributes = tags.next().captured(1);
        Topic topic;
        for (auto it = attribute.globalMatch(attributes); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const QString name = match.captured(1).toLower();
            QString value = match.captured(2);
            if (value.isEmpty())
                value = match.captured(3);
            if (value.isEmpty())
                value = match.captured(4);
            value = decodeEntities(value);
            if (name == QLatin1String("name") || (name == QLatin1String("id") && topic.anchor.isEmpty())) {
                topic.anchor = value;
            } else if (name == QLatin1String("data-keywords")) {
                for (const QString &keyword : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                    if (!keyword.trimmed().isEmpty())
                        topic.keywords << keyword.trimmed();
                }
            }
        }
        if (!topic.anchor.isEmpty())
            topics.append(topic);
    }
    return topics;
}

QString anchorForKeyword(const QList<Topic> &topics, const QString &keyword)
{
    const QString wanted = keyword.trimmed();
    if (wanted.isEmpty())
        return QString();
    for (const Topic &topic : topics) {
        for (const QString &candidate : topic.keywords) {
            if (candidate.compare(wanted, Qt::CaseInsensitive) == 0)
                return topic.anchor;
        }
    }
    for (const Topic &topic : topics) {
        if (topic.anchor.compare(wanted, Qt::CaseInsensitive) == 0)
            return topic.anchor;
    }
    return QString();
}

QStringList searchDirs(const QString &applicationDir)
{
    return {applicationDir, QDir::cleanPath(applicationDir + QStringLiteral("/../share/penwick"))};
}

QString locateFile(const QString &name, const QStringList &dirs)
{
    if (name.isEmpty())
        return QString();
    if (QDir::isAbsolutePath(name))
        return QFileInfo(name).isFile() ? name : QString();
    for (const QString &dir : dirs) {
        const QFileInfo candidate(QDir(dir).filePath(name));
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return QString();
}

} // namespace help

HelpViewer::HelpViewer(QWidget *owner)
    : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Penwick Help"));
    resize(640, 520);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto *buttons = new QHBoxLayout;
    auto *contents = new QToolButton(this);
    contents->setObjectName(QStringLiteral("cmdContents"));
    contents->setText(QStringLiteral("&Contents"));
    auto *back = new QToolButton(this);
    back->setObjectName(QStringLiteral("cmdBack"));
    back->setText(QStringLiteral("&Back"));
    back->setEnabled(false);
    auto *forward = new QToolButton(this);
    forward->setObjectName(QStringLiteral("cmdForward"));
    forward->setText(QStringLiteral("&Forward"));
    forward->setEnabled(false);
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();
    layout->addLayout(buttons);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtTopic"));
    m_browser->setOpenExternalLinks(true);
    layout->addWidget(m_browser);

    connect(contents, &QToolButton::clicked, this, &HelpViewer::showContents);
    connect(back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QToolButton::setEnabled);
}

namespace {

// A new help window opens over the window that asked for it, whole on that window's screen,
// rather than wherever the window system puts a window it knows nothing about.
void placeOver(QWidget &viewer, const QWidget &asker)
{
    const QScreen *screen = asker.screen();
    const QRect area = screen ? screen->availableGeometry() : asker.frameGeometry();
    QRect frame(QPoint(), viewer.size());
    frame.moveCenter(asker.frameGeometry().center());
    frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
    frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
    viewer.move(frame.topLeft());
}

} // namespace

HelpViewer *HelpViewer::showHelp(QWidget *owner, const QString &fileName, const QString &keyword, QString *error)
{
    QWidget *window = owner ? owner->window() : nullptr;
    const QString path = help::locateFile(fileName, help::searchDirs(QCoreApplication::applicationDirPath()));
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("Cannot find the help file %1.").arg(fileName);
        return nullptr;
    }
    HelpViewer *viewer = window ? window->findChild<HelpViewer *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    const bool fresh = !viewer;
    if (fresh)
        viewer = new HelpViewer(window);
    if (!viewer->open(path, keyword, error)) {
        if (fresh)
            delete viewer;
        return nullptr;
    }
    if (fresh && window)
        placeOver(*viewer, *window);
    // Below an always-on-top window the help could not be read.
    const bool onTop = window && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop)
        viewer->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (fresh && window && window->parentWidget())
        window->installEventFilter(viewer);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

bool HelpViewer::eventFilter(QObject *watched, QEvent *event)
{
    // Help asked for from a dialog stays open when the dialog closes: it passes to the window
    // the dialog belongs to, in place of any help that window had.
    QWidget *dialog = parentWidget();
    if (watched == dialog && event->type() == QEvent::Hide && isVisible() && dialog->parentWidget()) {
        QWidget *heir = dialog->parentWidget()->window();
        dialog->removeEventFilter(this);
        if (HelpViewer *previous = heir->findChild<HelpViewer *>(QString(), Qt::FindDirectChildrenOnly))
            previous->deleteLater();
        const QPoint place = pos();
        Qt::WindowFlags flags = windowFlags();
        flags.setFlag(Qt::WindowStaysOnTopHint, heir->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        setParent(heir, flags);
        move(place);
        show();
    }
    return QWidget::eventFilter(watched, event);
}

bool HelpViewer::open(const QString &path, const QString &keyword, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Cannot open the help file %1: %2").arg(path, file.errorString());
        return false;
    }
    const QString html = QString::fromUtf8(file.readAll());
    m_path = path;
    QUrl url = QUrl::fromLocalFile(path);
    const QString anchor = help::anchorForKeyword(help::topicIndex(html), keyword);
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    // The name does not say HTML, so say it.
    m_browser->setSource(url, QTextDocument::HtmlResource);
    if (!anchor.isEmpty())
        m_browser->scrollToAnchor(anchor);
    return true;
}

void HelpViewer::showContents()
{
    if (!m_path.isEmpty())
        m_browser->setSource(QUrl::fromLocalFile(m_path), QTextDocument::HtmlResource);
}

QUrl HelpViewer::source() const
{
    return m_browser->source();
}

QString HelpViewer::currentAnchor() const
{
    return m_browser->source().fragment();
}
