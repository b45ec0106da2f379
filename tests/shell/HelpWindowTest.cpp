#include "shell/HelpWindow.h"

#include "TempHome.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTextBrowser>
#include <gtest/gtest.h>

namespace {

TEST(ManualLocator, BesideTheProgramFirstThenItsPrefixShareFoldersOrWhereItLooked)
{
    const TempHome prefix;
    const QString bin = prefix.path(QStringLiteral("bin"));
    const QStringList places = ManualLocator::candidates(bin);
    ASSERT_GE(places.size(), 3);
    EXPECT_EQ(places.at(0), bin + QStringLiteral("/manual/index.html"));
    EXPECT_EQ(places.at(1), prefix.path(QStringLiteral("share/doc/kestrelfind/manual/index.html")));
    EXPECT_EQ(places.at(2), prefix.path(QStringLiteral("share/kestrelfind/manual/index.html")));
    EXPECT_EQ(ManualLocator::find(bin), QString());
    {
        // Missing, the window says where it looked.
        HelpWindow help(bin, {});
        EXPECT_FALSE(help.showContents());
        const QString text = help.findChild<QTextBrowser*>(u"helpBrowser"_qs)->toPlainText();
        EXPECT_TRUE(text.contains(u"not installed"_qs));
        EXPECT_TRUE(text.contains(places.at(0))) << text.toStdString();
    }

    prefix.write(QStringLiteral("share/doc/kestrelfind/manual/index.html"), "<p>installed</p>");
    EXPECT_EQ(ManualLocator::find(bin), places.at(1));
    prefix.write(QStringLiteral("bin/manual/index.html"), "<p>build tree</p>");
    EXPECT_EQ(ManualLocator::find(bin), places.at(0));
}

TEST(HelpWindow, OpensOnTheContentsFollowsItsOwnLinksAndLaunchesOthers)
{
    const TempHome prefix;
    const QString bin = prefix.path(QStringLiteral("bin"));
    prefix.write(QStringLiteral("bin/manual/index.html"),
                 "<h1 id=\"contents\">Contents</h1><a href=\"keys.html#find\">Keys</a>"
                 "<a href=\"https://example.org/\">Web</a>");
    prefix.write(QStringLiteral("bin/manual/keys.html"), "<h2 id=\"find\">Find</h2>");
    QStringList launched;
    HelpWindow help(bin, [&](QWidget*, const QString& address) { launched << address; });
    ASSERT_TRUE(help.showContents());
    EXPECT_EQ(help.currentPage().fragment(), QStringLiteral("contents"));

    auto* browser = help.findChild<QTextBrowser*>(QStringLiteral("helpBrowser"));
    ASSERT_NE(browser, nullptr);
    Q_EMIT browser->anchorClicked(QUrl(QStringLiteral("keys.html#find")));
    EXPECT_EQ(help.currentPage().fileName(), QStringLiteral("keys.html"));
    Q_EMIT browser->anchorClicked(QUrl(QStringLiteral("https://example.org/")));
    EXPECT_EQ(launched, QStringList{QStringLiteral("https://example.org/")});
    EXPECT_EQ(help.currentPage().fileName(), QStringLiteral("keys.html"));
    browser->backward();
    EXPECT_EQ(help.currentPage().fileName(), QStringLiteral("index.html"));
}

TEST(Manual, HasAContentsAndEveryLinkOfItsOwnLeadsSomewhere)
{
    const QString folder = QStringLiteral(KF_MANUAL_DIR);
    const QStringList pages = QDir(folder).entryList({QStringLiteral("*.html")}, QDir::Files);
    ASSERT_TRUE(pages.contains(QStringLiteral("index.html"))) << folder.toStdString();
    QHash<QString, QSet<QString>> ids;
    QHash<QString, QString> texts;
    const QRegularExpression idPattern(QStringLiteral("id=\"([^\"]+)\""));
    for (const QString& page : pages) {
        QFile file(folder + u'/' + page);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        texts[page] = QString::fromUtf8(file.readAll());
        for (const auto& m : idPattern.globalMatch(texts[page]))
            ids[page].insert(m.captured(1));
    }
    EXPECT_TRUE(ids[QStringLiteral("index.html")].contains(QStringLiteral("contents")));
    const QRegularExpression link(QStringLiteral("<a href=\"([^\"]+)\""));
    for (const QString& page : pages) {
        for (const auto& m : link.globalMatch(texts[page])) {
            const QUrl target(m.captured(1));
            if (!target.scheme().isEmpty())
                continue; // web and mail addresses
            const QString file = target.path().isEmpty() ? page : target.path();
            ASSERT_TRUE(texts.contains(file))
                << page.toStdString() << " -> " << m.captured(1).toStdString();
            if (target.hasFragment()) {
                EXPECT_TRUE(ids[file].contains(target.fragment()))
                    << page.toStdString() << " -> " << m.captured(1).toStdString();
            }
        }
    }
}

} // namespace
