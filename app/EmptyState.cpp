// SPDX-License-Identifier: MIT
#include "app/EmptyState.h"

#include "app/ProfileScan.h"
#include "app/WindowExchange.h"
#include "skin/BookmarkListCtrl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <algorithm>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("EmptyState", text);
}

// The skin's leather and paper: dark brown text on the column's paper,
// buttons of the frame's leather with its cream stitching.
const char BUTTON_STYLE[] =
    "QPushButton { color: #f6ead2; background: #6e4528; border: 1px solid #3f2615;"
    " border-radius: 4px; padding: 2px 6px; text-align: left; }"
    "QPushButton:hover { background: #85552f; }"
    "QPushButton:pressed { background: #4f301b; }";
const char TEXT_STYLE[] = "QLabel { color: #4a2f1c; }";
constexpr int MARGIN = 6;
constexpr int GAP = 5;

// text broken into lines that fit width with metrics (a button does not wrap
// by itself).
QString Wrapped(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '))) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    lines << line;
    return lines.join(QLatin1Char('\n'));
}

QString ButtonText(const CProfileScan::CProfile& profile, bool onlyOfItsBrowser) {
    const QString name =
        onlyOfItsBrowser
            ? profile.m_profile.m_browser
            : Tr("%1 \u2013 %2").arg(profile.m_profile.m_browser, profile.m_profile.m_profile);
    if (profile.m_state == CProfileScan::CProfile::Counted)
        return Tr("Import from %1 (%2)").arg(name, QLocale().toString(profile.m_bookmarks));
    return Tr("Import from %1 (\u2026)").arg(name);
}

QLabel* MakeLine(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setStyleSheet(QString::fromLatin1(TEXT_STYLE));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setFocusPolicy(Qt::NoFocus);
    label->hide();
    return label;
}

QPushButton* MakeButton(QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setStyleSheet(QString::fromLatin1(BUTTON_STYLE));
    button->setFocusPolicy(Qt::NoFocus); // the column keeps the keys
    button->setCursor(Qt::PointingHandCursor);
    button->hide();
    return button;
}

} // namespace

CEmptyState::CEmptyState(CBookmarkListCtrl* list, CWindowExchange& exchange,
                         std::function<bool()> isEmpty)
    : m_pList(list), m_exchange(exchange), m_isEmpty(std::move(isEmpty)) {
    QWidget* paper = list->viewport();
    m_pIntro = MakeLine(paper, Tr("Quillbox keeps your web addresses, files and folders, "
                                  "in folders of your own."));
    m_pIntro->setObjectName(QStringLiteral("EmptyIntro"));
    m_pFile = MakeButton(paper);
    m_pFile->setObjectName(QStringLiteral("EmptyImportFile"));
    connect(m_pFile, &QPushButton::clicked, this, [this] { m_exchange.ImportFile(); });
    m_pKeyHint = MakeLine(paper, Tr("Or press Insert to add a first entry."));
    m_pKeyHint->setObjectName(QStringLiteral("EmptyKeyHint"));

    list->installEventFilter(this);
    paper->installEventFilter(this);
    // Looked at once the change is done: the rows may change before the tree
    // has.
    const QAbstractItemModel* rows = list->model();
    for (const auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(rows, signal, this, &CEmptyState::Update, Qt::QueuedConnection);
    connect(rows, &QAbstractItemModel::modelReset, this, &CEmptyState::Update,
            Qt::QueuedConnection);
    connect(&exchange.Profiles(), &CProfileScan::Counted, this, [this] {
        if (m_bShown)
            Refresh();
    });
}

CEmptyState::~CEmptyState() {
    for (QWidget* part : Parts())
        delete part;
}

bool CEmptyState::IsShown() const {
    return m_bShown;
}

QList<QPushButton*> CEmptyState::ProfileButtons() const {
    return m_profiles;
}

void CEmptyState::Update() {
    const bool show = m_pList->count() == 0 && m_isEmpty();
    if (show == m_bShown)
        return;
    m_bShown = show;
    if (show)
        Refresh();
    else
        for (QWidget* part : Parts())
            part->hide();
}

QList<QWidget*> CEmptyState::Parts() const {
    QList<QWidget*> parts{m_pIntro, m_pFile, m_pKeyHint};
    for (QPushButton* button : m_profiles)
        parts << button;
    return parts;
}

bool CEmptyState::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pList && event->type() == QEvent::Show)
        Update();
    else if (watched == m_pList->viewport() && event->type() == QEvent::Resize && m_bShown)
        Layout();
    return false;
}

// The buttons for the profiles as far as they are counted.
void CEmptyState::Refresh() {
    CProfileScan& scan = m_exchange.Profiles();
    scan.Start();
    const QList<CProfileScan::CProfile>& profiles = scan.Profiles();
    while (m_profiles.size() < profiles.size()) {
        const int index = int(m_profiles.size());
        QPushButton* button = MakeButton(m_pList->viewport());
        button->setObjectName(QStringLiteral("EmptyImportProfile%1").arg(index));
        connect(button, &QPushButton::clicked, this,
                [this, index] { m_exchange.ImportProfile(index); });
        m_profiles << button;
    }
    Layout();
}

void CEmptyState::Layout() {
    const QList<CProfileScan::CProfile>& profiles = m_exchange.Profiles().Profiles();
    const int width = m_pList->viewport()->width() - 2 * MARGIN;
    int y = MARGIN;
    const auto place = [&y, width](QWidget* part, int height) {
        part->setGeometry(MARGIN, y, width, height);
        part->show();
        part->raise();
        y += height + GAP;
    };
    const auto placeButton = [&](QPushButton* button, const QString& text) {
        const QFontMetrics metrics(button->font());
        button->setText(Wrapped(text, metrics, width - 14));
        button->setToolTip(text);
        place(button, int(button->text().count(QLatin1Char('\n')) + 1) * metrics.lineSpacing() + 8);
    };
    place(m_pIntro, m_pIntro->heightForWidth(width));
    for (int i = 0; i < m_profiles.size(); ++i) {
        const CProfileScan::CProfile& profile = profiles.at(i);
        if (profile.m_state == CProfileScan::CProfile::Unreadable) {
            m_profiles.at(i)->hide();
            continue;
        }
        const bool only = std::count_if(profiles.cbegin(), profiles.cend(), [&](const auto& p) {
                              return p.m_profile.m_browser == profile.m_profile.m_browser;
                          }) == 1;
        placeButton(m_profiles.at(i), ButtonText(profile, only));
    }
    placeButton(m_pFile, Tr("Import a bookmark file\u2026"));
    place(m_pKeyHint, m_pKeyHint->heightForWidth(width));
}
