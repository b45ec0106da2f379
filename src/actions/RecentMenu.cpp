#include "RecentMenu.h"

#include "LaunchCommand.h"
#include "RecentLaunchList.h"
#include "platform/DisplayText.h"
#include "search/PathHelpers.h"

#include <QAction>
#include <QMenu>

RecentMenu::RecentMenu()
{
    m_items[0] = {QStringLiteral("(Empty)"), {}, false, true};
}

void RecentMenu::load(const QStringList& entries)
{
    for (int i = 1; i <= ItemCount && i <= entries.size(); ++i) {
        const QString& value = entries[i - 1];
        if (value.isEmpty())
            break;
        m_items[i - 1] = {caption(i, value), whole(value), true, true};
    }
}

QString RecentMenu::caption(int number, const QString& stored)
{
    QString shown;
    if (stored.left(3).toLower() == u"htt") {
        shown = stored;
    } else {
        // Stored file:// addresses stand for names that are not valid UTF-8.
        const QString path = displayText(RecentLaunchList::targetOf(stored));
        shown = GetFilename(path, PathPart::Name) + GetFilename(path, PathPart::Extension);
    }
    shown = oneLine(std::move(shown));
    if (shown.size() > MaxShown) {
        // Cut between characters, not inside a pair of surrogates.
        qsizetype head = (MaxShown - 1) / 2;
        qsizetype tail = head;
        if (shown.at(head - 1).isHighSurrogate())
            --head;
        if (shown.at(shown.size() - tail).isLowSurrogate())
            --tail;
        shown = shown.first(head) + QChar(0x2026) + shown.last(tail);
    }
    shown.replace(u'&', QStringLiteral("&&"));
    // The last digit is the access key: with "&10." the tenth entry would share "1" with the
    // first, and Alt+F, R, 1 then Enter would open the oldest item instead of the newest.
    const QString digits = QString::number(number);
    return digits.chopped(1) + u'&' + digits.right(1) + u". " + shown;
}

QString RecentMenu::whole(const QString& stored)
{
    if (stored.left(3).toLower() == u"htt")
        return oneLine(stored);
    return oneLine(displayText(RecentLaunchList::targetOf(stored)));
}

QList<QAction*> createRecentMenuItems(QMenu& menu)
{
    // Entries show names only: the whole path under the pointer tells two of the same
    // name apart.
    menu.setToolTipsVisible(true);
    QList<QAction*> actions;
    const RecentMenu first;
    for (int i = 0; i < RecentMenu::ItemCount; ++i) {
        QAction* action = menu.addAction(QString());
        action->setObjectName(u"mnuRecentLaunch" + QString::number(i));
        actions.append(action);
    }
    fillRecentMenu(first, actions);
    return actions;
}

void fillRecentMenu(const RecentMenu& state, const QList<QAction*>& actions)
{
    const auto& items = state.items();
    for (int i = 0; i < RecentMenu::ItemCount && i < actions.size(); ++i) {
        actions[i]->setText(items[i].caption);
        actions[i]->setToolTip(plainToolTip(items[i].whole));
        actions[i]->setEnabled(items[i].enabled);
        actions[i]->setVisible(items[i].visible);
    }
}

RecentLaunchMenu::RecentLaunchMenu(QMenu& menu, RecentLaunchList& recent, LaunchCommand& command)
    : QObject(&menu)
    , m_recent(recent)
    , m_actions(createRecentMenuItems(menu))
{
    for (int i = 0; i < m_actions.size(); ++i) {
        connect(m_actions[i], &QAction::triggered, &command,
                [&command, i] { command.mnuRecentLaunch_Click(i); });
    }
    connect(&command, &LaunchCommand::recentListChanged, this, &RecentLaunchMenu::LoadRecentMenu);
    LoadRecentMenu();
}

void RecentLaunchMenu::LoadRecentMenu()
{
    m_state.load(m_recent.entries());
    fillRecentMenu(m_state, m_actions);
}
