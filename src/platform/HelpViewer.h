#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

class QTextBrowser;

// The program's help: an HTML file whose topics are named anchors. A topic can carry
// keywords, <a name="favorites" data-keywords="Favorite Files/Folders; Favourites">, by
// which other windows open it. The index below needs no widgets.
namespace help {

struct Topic {
    QString anchor;
    QStringList keywords;
};

// Every named anchor of the file, in order, with its keywords.
QList<Topic> topicIndex(const QString &html);
// The topic for a keyword: a keyword first, then an anchor name, both without regard to
// case; empty when no topic matches.
QString anchorForKeyword(const QList<Topic> &topics, const QString &keyword);
// Where the help file is looked for: beside the program, then in ../share/penwick.
QStringList searchDirs(const QString &applicationDir);
// The first dir holding name, as an absolute path; empty when none does. A name that is
// already an absolute path is taken as it stands.
QString locateFile(const QString &name, const QStringList &dirs);

} // namespace help

// A window showing the help file, one per owning window, reused by every request.
class HelpViewer : public QWidget
{
    Q_OBJECT

public:
    explicit HelpViewer(QWidget *owner);

    // Shows fileName (looked for in help::searchDirs) for owner's window, at its contents
    // when keyword is empty, else at the keyword's topic (the contents when none matches).
    // Returns the viewer, or nullptr with a description of what went wrong in error.
    static HelpViewer *showHelp(QWidget *owner, const QString &fileName, const QString &keyword,
                                QString *error = nullptr);

    QUrl source() const;
    // The topic shown: the anchor last opened, empty at the contents.
    QString currentAnchor() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool open(const QString &path, const QString &keyword, QString *error);
    void showContents();

    QTextBrowser *m_browser = nullptr;
    QString m_path;
};
