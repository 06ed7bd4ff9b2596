// Every window against its design table, as the program opens it: each row
// is one control of its type, its caption shows whole, controls overlap only
// where the table says one sits on another and lie inside their holder at the
// design size, the pointer reaches every visible enabled control, a label's
// access key focuses its box, and the pointer shows each control's help.
#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>

#include "addressbook/friendform.h"
#include "app/appwindows.h"
#include "app/mainform.h"
#include "app/program.h"
#include "compose/backform.h"
#include "compose/htform.h"
#include "compose/writeform.h"
#include "history/tyakuform.h"
#include "settings/alwaysonform.h"
#include "settings/idpassform.h"
#include "settings/optionform.h"
#include "settings/setform.h"
#include "settings/signinform.h"
#include "tests/support/appfolder.h"
#include "ui/captionfitter.h"

namespace {

struct WindowCase {
    const char* name;
    DesignedWindow* (*open)(AppWindows& windows, MainForm& main);
};

const WindowCase kWindows[] = {
    {"MainForm", [](AppWindows&, MainForm& main) -> DesignedWindow* { return &main; }},
    {"WriteForm", [](AppWindows& w, MainForm&) -> DesignedWindow* { return w.openCompose(); }},
    {"BackForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.openReply({});
         return w.replyWindow();
     }},
    {"HTForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.openHtmlHelp();
         return w.htmlHelpWindow();
     }},
    {"FriendForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.openAddressBook();
         return w.addressBookWindow();
     }},
    {"TyakuForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.openHistory(HistoryMode::Received);
         return w.historyWindow();
     }},
    {"SetForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.openSettings();
         return w.settingsWindow();
     }},
    {"AlwaysOnForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.openAlwaysOn();
         return w.alwaysOnWindow();
     }},
    {"IdPassForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.openAccount();
         return w.accountWindow();
     }},
    {"OptionForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.openServers();
         return w.serversWindow();
     }},
    {"SignInForm",
     [](AppWindows& w, MainForm&) -> DesignedWindow* {
         w.accountWindow()->OAuthCommand_Click();
         return w.accountWindow()->signInWindow();
     }},
};

void PrintTo(const WindowCase& window, std::ostream* out) {
    *out << window.name;
}

QRect twipsRect(const ControlRow& row) {
    return QRect(row.place.left, row.place.top, row.place.width, row.place.height);
}

bool names(const char* list, const char* name) {
    return list && QByteArray(list).split(' ').contains(QByteArray(name));
}

// Where the pointer meets a control: a scroll area's viewport.
QWidget* pointerSurface(QWidget* control) {
    auto* area = qobject_cast<QAbstractScrollArea*>(control);
    return area ? area->viewport() : control;
}

QString captionOf(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return {};
}

class WindowTables : public testing::TestWithParam<WindowCase>, protected AppFolder {
  protected:
    void SetUp() override {
        Program::useDesignFont();
        QApplication::instance()->installEventFilter(&fitter);
        windows = std::make_unique<AppWindows>(context);
        main = std::make_unique<MainForm>(context, *windows);
        window = GetParam().open(*windows, *main);
        ASSERT_NE(window, nullptr);
        window->show();
    }
    void TearDown() override {
        QApplication::instance()->removeEventFilter(&fitter);
        windows->closeAll();
    }
    const WindowDesign& design() const { return window->design(); }
    const ControlRow* rowNamed(const char* name) const {
        for (const ControlRow& row : design().rows)
            if (std::strcmp(row.name, name) == 0)
                return &row;
        return nullptr;
    }
    // The holder's size in twips: another control's, or the window's design size.
    QSize holderSize(const ControlRow& row) const {
        if (!row.holder)
            return QSize(design().width, design().height);
        const ControlRow* holder = rowNamed(row.holder);
        return holder ? QSize(holder->place.width, holder->place.height) : QSize();
    }
    bool pointerReaches(QWidget* control) const {
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 8; ++j) {
                const QPoint at = control->mapTo(window, QPoint(control->width() * (2 * i + 1) / 16,
                                                                control->height() * (2 * j + 1) / 16));
                QWidget* hit = window->rect().contains(at) ? window->childAt(at) : nullptr;
                if (hit && (hit == control || control->isAncestorOf(hit)))
                    return true;
            }
        return false;
    }
    QString shownHelp() const {
        QWidget* box = window->findChild<QWidget*>(QLatin1String(design().helpBox));
        if (!box->isVisible())
            return {};
        if (const auto* label = qobject_cast<QLabel*>(box))
            return label->text();
        return static_cast<QPlainTextEdit*>(box)->toPlainText();
    }
    void pointAt(QWidget* control) {
        QWidget* surface = pointerSurface(control);
        QEvent enter(QEvent::Enter);
        QApplication::sendEvent(surface, &enter);
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), surface->mapToGlobal(QPointF(2, 2)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
    }

    CaptionFitter fitter;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<MainForm> main;
    DesignedWindow* window = nullptr;
};

} // namespace

TEST_P(WindowTables, everyRowIsOneControlOfItsTypeShowingItsCaption) {
    EXPECT_EQ(window->objectName(), QLatin1String(design().name));
    if (!design().title.isEmpty()) { // the history window's comes with its history
        EXPECT_EQ(window->windowTitle(), design().title.toString());
    }
    for (const ControlRow& row : design().rows) {
        SCOPED_TRACE(row.name);
        const QList<QWidget*> found = window->findChildren<QWidget*>(QLatin1String(row.name));
        ASSERT_EQ(found.size(), 1) << "tests and screenshots find a control by its name";
        QWidget* control = found.first();
        EXPECT_EQ(control, window->control(row));
        EXPECT_TRUE(control->metaObject()->inherits(row.maker.type)) << control->metaObject()->className();
        EXPECT_EQ(control->parentWidget()->objectName(),
                  QLatin1String(row.holder ? row.holder : design().name));
        if (!row.caption.isEmpty()) { // a label without one shows state
            EXPECT_EQ(captionOf(control), row.caption.toString());
        }
    }
}

TEST_P(WindowTables, everyCaptionShowsWholeWithTheApplicationFont) {
    for (const ControlRow& row : design().rows) {
        if (row.caption.isEmpty())
            continue;
        EXPECT_TRUE(CaptionFitter::fits(window->control(row)))
            << row.name << " 「" << row.caption.toString().toStdString() << "」";
    }
}

// Rows with no size are working fields, never shown.
TEST_P(WindowTables, controlsOverlapOnlyWhereOneSitsOnTheOther) {
    const auto rows = design().rows;
    for (std::size_t a = 0; a < rows.size(); ++a)
        for (std::size_t b = a + 1; b < rows.size(); ++b) {
            if (!rows[a].holder != !rows[b].holder ||
                (rows[a].holder && std::strcmp(rows[a].holder, rows[b].holder)))
                continue;
            const bool declared = names(rows[a].sitsOn, rows[b].name) || names(rows[b].sitsOn, rows[a].name);
            const QRect common = twipsRect(rows[a]).intersected(twipsRect(rows[b]));
            if (declared) {
                EXPECT_FALSE(common.isEmpty())
                    << rows[a].name << " and " << rows[b].name << " do not overlap";
            } else {
                EXPECT_TRUE(common.isEmpty()) << rows[a].name << " and " << rows[b].name << " overlap by "
                                              << common.width() << "x" << common.height() << " twips";
            }
        }
    for (const ControlRow& row : rows) {
        for (const QByteArray& other : QByteArray(row.sitsOn).split(' ')) {
            if (other.isEmpty())
                continue;
            EXPECT_NE(rowNamed(other.constData()), nullptr)
                << row.name << " sits on an unknown " << other.constData();
        }
    }
}

TEST_P(WindowTables, controlsLieInsideTheirHolderAtTheDesignSizeUnlessTheTableSaysNot) {
    for (const ControlRow& row : design().rows) {
        if (twipsRect(row).isEmpty())
            continue;
        const bool inside = QRect(QPoint(0, 0), holderSize(row)).contains(twipsRect(row));
        EXPECT_NE(inside, row.pastEdge)
            << row.name
            << (row.pastEdge ? " is said to reach past its holder's edge but lies inside"
                             : " reaches past its holder's edge");
    }
}

// Reachable: the pointer can get at some part of it, with the window (where it
// can be resized) as large as its design, so that a panel shown by widening counts.
TEST_P(WindowTables, thePointerReachesEveryVisibleEnabledControl) {
    if (!design().fixedSize) {
        QRect all;
        for (const ControlRow& row : design().rows)
            if (!row.holder)
                all |= window->control(row)->geometry();
        window->resize(window->size().expandedTo(QSize(all.right() + 1, all.bottom() + 1)));
    }
    int checked = 0;
    for (const ControlRow& row : design().rows) {
        QWidget* control = window->control(row);
        if (!control->isVisible() || !control->isEnabled())
            continue;
        ++checked;
        EXPECT_TRUE(pointerReaches(control))
            << row.name << " lies wholly under other controls or outside the window";
    }
    EXPECT_GT(checked, 0);
}

TEST_P(WindowTables, tabFollowsTheDesignsOrderAndALabelsAccessKeyFocusesItsBox) {
    const auto order = design().tabOrder;
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget* from = window->control(*rowNamed(order[i - 1]));
        QWidget* next = from->nextInFocusChain();
        while (from->isAncestorOf(next)) // a text box's own parts
            next = next->nextInFocusChain();
        EXPECT_EQ(next, window->control(*rowNamed(order[i]))) << order[i - 1] << " → " << order[i];
    }
    QApplication::setActiveWindow(window);
    for (const ControlRow& row : design().rows) {
        if (!row.buddyName)
            continue;
        const QString caption = row.caption.toString();
        const qsizetype amp = caption.indexOf(u'&');
        QWidget* box = window->control(*rowNamed(row.buddyName));
        ASSERT_NE(box, nullptr) << row.name << " names an unknown box";
        if (amp < 0 || !box->isEnabled())
            continue;
        window->setFocus();
        QTest::keyClick(window, caption.at(amp + 1).toLower().toLatin1(), Qt::AltModifier);
        EXPECT_TRUE(box->hasFocus()) << row.name << " → " << row.buddyName;
    }
}

TEST_P(WindowTables, thePointerShowsEachControlsHelpAndTheTablesSurfacesTakeItAway) {
    if (!design().helpBox) {
        for (const ControlRow& row : design().rows)
            EXPECT_EQ(window->control(row)->toolTip(), row.help.toString()) << row.name;
        return;
    }
    EXPECT_TRUE(shownHelp().isEmpty()) << "no help before the pointer has come";
    const ControlRow* firstHelp = nullptr;
    for (const ControlRow& row : design().rows) {
        if (row.help.isEmpty())
            continue;
        SCOPED_TRACE(row.name);
        firstHelp = firstHelp ? firstHelp : &row;
        QWidget* control = window->control(row);
        const bool wasEnabled = control->isEnabled();
        const QString help = row.help.toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        control->setEnabled(false);
        pointAt(control);
        EXPECT_NE(shownHelp(), help) << "a disabled control reacts to no pointer";
        control->setEnabled(true);
        pointAt(control);
        EXPECT_EQ(shownHelp(), help);
        control->setEnabled(wasEnabled);
    }
    ASSERT_NE(firstHelp, nullptr);
    QWidget* helped = window->control(*firstHelp);
    helped->setEnabled(true);
    for (const ControlRow& row : design().rows) {
        if (!row.help.isEmpty())
            continue;
        pointAt(helped);
        ASSERT_FALSE(shownHelp().isEmpty());
        pointAt(window->control(row));
        EXPECT_EQ(shownHelp().isEmpty(), row.clearsHelp && window->control(row)->isEnabled()) << row.name;
    }
    pointAt(helped);
    QMouseEvent overSurface(QEvent::MouseMove, QPointF(1, 1), window->mapToGlobal(QPointF(1, 1)),
                            Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window, &overSurface);
    EXPECT_EQ(shownHelp().isEmpty(), design().surfaceHidesHelp) << "the window's own surface";
}

INSTANTIATE_TEST_SUITE_P(EveryWindow, WindowTables, testing::ValuesIn(kWindows),
                         [](const testing::TestParamInfo<WindowCase>& info) { return info.param.name; });
