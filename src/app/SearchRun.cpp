#include "SearchRun.h"

#include "platform/Prompt.h"
#include "platform/ShellFolders.h"
#include "search/SearchEngine.h"
#include "search/SearchPlaces.h"
#include "settings/CRegSettings.h"
#include "settings/SearchHistory.h"

#include <QFile>

#include <array>
#include <utility>

namespace {

const QString kSearch = QStringLiteral("Search");
const QString kStop = QStringLiteral("Stop");
constexpr int kLocalAppData = 28;

} // namespace

QString SearchRun::countText(int rows)
{
    return QString::number(rows) + u" item(s) found.";
}

SearchRun::SearchRun(SearchRunHost& host, SearchEngine& engine, Prompt& prompt, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_engine(engine)
    , m_prompt(prompt)
{
    connect(&m_engine, &SearchEngine::rowsFound, this, &SearchRun::onRowsFound);
    connect(&m_engine, &SearchEngine::walkFinished, this, &SearchRun::onWalkFinished);
    connect(&m_engine, &SearchEngine::placesInspected, this, &SearchRun::onPlacesInspected);
}

SearchRun::~SearchRun()
{
    // Walks still queued or running for this run end at their next entry.
    m_request.Cancel.cancel();
}

void SearchRun::command()
{
    if (m_phase != Phase::Idle) {
        // Stop only cancels this run's token; its walks notice it and the run winds down
        // itself.
        if (m_state == State::Running) {
            m_state = State::Stopping;
            m_request.Cancel.cancel();
            Q_EMIT stateChanged();
        }
        return;
    }
    start();
}

void SearchRun::start()
{
    m_state = State::Running;
    m_host.setSearchCaption(kStop);
    m_host.setBusy(true);
    m_pacer.drop();
    m_host.clearRows();
    m_host.showCopyrightLine();
    m_host.setPanelText(2, QStringLiteral("Searching..."));
    m_host.setPanelText(3, QString());
    m_host.setActivity(true);

    m_request = SearchRequest{}; // with a token of its own: no earlier run can stop it
    m_request.Pattern = FileFilter::fromChoice(m_host.fileType(), m_host.customPattern());
    m_request.IncludeSubfolders = m_host.includeSubfolders();
    m_engine.beginRun();
    // The special folders, and where every folder really lies, are learnt on the engine's
    // thread: a folder on a mount that does not answer must not hold the window.
    m_inspecting = true;
    QList<AltFolder> altFolders;
    for (int i = 0; i < m_host.altFolderCount(); ++i)
        altFolders.append(m_host.altFolder(i));
    std::array<bool, FolderBoxCount> ticked{};
    for (int box = 0; box < FolderBoxCount; ++box)
        ticked[size_t(box)] = m_host.boxTicked(FolderBox(box));
    m_engine.inspectPlaces(altFolders, [ticked](FolderBox box) { return ticked[size_t(box)]; });

    m_phase = Phase::AltFolders;
    m_nextAlt = 0;
    m_nextBox = 0;
    m_nextFolder = 0;
    m_walking = false;
    Q_EMIT stateChanged();
}

void SearchRun::onPlacesInspected(const PlaceFacts& facts)
{
    if (!m_inspecting || m_phase == Phase::Idle)
        return;
    m_inspecting = false;
    m_roots.begin(facts.roots, m_request.IncludeSubfolders);
    m_specialFolders = facts.specialFolders;
    advance();
}

QString SearchRun::specialFolder(int csidl) const
{
    // A box ticked during the run was not looked up then: it is now, on this thread.
    const auto it = m_specialFolders.constFind(csidl);
    return it != m_specialFolders.cend() ? *it : GetSpecialFolder(csidl);
}

void SearchRun::advance()
{
    while (m_phase != Phase::Idle && !m_walking) {
        if (m_phase == Phase::AltFolders) {
            if (!startNextAltFolder())
                m_phase = Phase::SpecialFolders;
        } else if (!startNextSpecialFolder()) {
            finish();
            return;
        }
    }
}

bool SearchRun::startNextAltFolder()
{
    // The alternate folders are all taken in turn, also after a stop: their walks then end
    // at once, and a missing one is still reported.
    while (m_nextAlt < m_host.altFolderCount()) {
        const AltFolder folder = m_host.altFolder(m_nextAlt++);
        if (!folder.ticked || folder.path.isEmpty())
            continue;
        const QByteArray path = QFile::encodeName(folder.path);
        // Whether it is there is told by its walk, at its turn: it may have come or gone
        // since the run began. One missing then is not announced, and not left to another
        // place, so that its walk can tell.
        const bool missingAtStart = m_roots.missing(path);
        if (!missingAtStart && m_roots.covered(path))
            continue; // another place lists what it holds
        if (!missingAtStart)
            m_host.setPanelText(1, u"Searching in " + folder.path);
        m_walkingAlt = folder.path;
        walkNext(path);
        return true;
    }
    return false;
}

bool SearchRun::startNextSpecialFolder()
{
    const auto& boxes = specialFolderRunOrder();
    for (; m_nextBox < int(boxes.size()); ++m_nextBox, m_nextFolder = 0) {
        const SpecialFolderBox& box = boxes[size_t(m_nextBox)];
        if (!m_host.boxTicked(box.box))
            continue;
        while (m_nextFolder < int(box.csidls.size())) {
            const int csidl = box.csidls[size_t(m_nextFolder++)];
            const QString path = specialFolder(csidl);
            if (!path.isEmpty() && !m_roots.covered(QFile::encodeName(path))) {
                // The local application data keeps the text of the roaming one before it.
                if (csidl != kLocalAppData)
                    m_host.setPanelText(1, u"Searching in " + box.caption);
                walkNext(QFile::encodeName(path));
                return true;
            }
            if (m_state == State::Stopping)
                return false;
        }
    }
    return false;
}

void SearchRun::onRowsFound()
{
    ResultRows rows = m_engine.takeRows();
    if (m_phase == Phase::Idle || rows.empty())
        return;
    m_pacer.add(std::move(rows));
}

void SearchRun::showRows(RowBatches batches)
{
    m_host.addRows(std::move(batches));
    // The count trails the rows on screen by one during a run; the end of the run shows the
    // true number.
    m_host.setPanelText(3, countText(qMax(0, m_host.rowCount() - 1)));
}

void SearchRun::tellMissing(const QString& path)
{
    m_prompt.MsgBox(u"Could not find one of your alternate folders, \"" + path +
                        u"\". It may have been removed. Please update your alternate folders list.",
                    MsgStyle::OkOnly | MsgStyle::Exclamation, QStringLiteral("Invalid Folder"));
}

void SearchRun::onWalkFinished(bool topMissing)
{
    if (!m_walking)
        return;
    m_walking = false;
    m_pacer.flush(); // the walk's last rows are shown now, not after the interval
    if (const QString alt = std::exchange(m_walkingAlt, QString()); topMissing && !alt.isEmpty())
        tellMissing(alt);
    if (m_phase == Phase::SpecialFolders && m_state == State::Stopping) {
        finish();
        return;
    }
    advance();
}

void SearchRun::finish()
{
    const bool cancelled = m_state == State::Stopping;
    m_phase = Phase::Idle;
    m_state = State::Idle;
    m_host.setActivity(false);

    CRegSettings store = CRegSettings::forProgram();
    if (const auto terms = SearchHistory::record(store, m_host.searchText()))
        m_host.setHistory(*terms);

    m_host.runEnding();
    m_host.setSearchCaption(kSearch);
    m_host.setPanelText(2, cancelled ? QStringLiteral("Search cancelled")
                                     : QStringLiteral("Search complete"));
    m_host.setPanelText(3, countText(m_host.rowCount()));
    m_host.setBusy(false);
    m_host.showCopyrightLine();
    Q_EMIT stateChanged();
}

void SearchRun::walkNext(const QByteArray& folder)
{
    m_request.FolderPath = folder;
    m_walking = true;
    m_engine.walk(m_request); // carries this run's token
}
