// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt/maindlg.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "app/qt/corelink.h"
#include "kiv_version.h"
#include "res/resource.h"
#include "storage/startup.h"
#include "storage/state.h"
#include "window/appevent.h"

namespace kiv {
namespace {

constexpr int kEntryPointSize = 14;

struct Place {
    int id, x, y, w, h;
};

// Template 102: the keypad grid below the entry line, row by row from the
// top, and the buttons beside the stack list.
std::vector<Place> KeypadPlaces() {
    std::vector<Place> p;
    const int cols[6] = {3, 29, 55, 81, 107, 133};
    const int rows[5] = {68, 83, 98, 113, 128};
    const int rowStart[5] = {2035, 2029, 2023, 2017, 2011};
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 6; ++c) p.push_back({rowStart[r] + c, cols[c], rows[r], 23, 12});
    p.push_back({2005, 3, 143, 23, 12});
    p.push_back({2006, 29, 143, 23, 27});
    for (int c = 2; c < 6; ++c) p.push_back({2005 + c, cols[c], 143, 23, 12});
    p.push_back({2000, 3, 158, 23, 12});
    for (int c = 2; c < 6; ++c) p.push_back({1999 + c, cols[c], 158, 23, 12});
    p.push_back({2045, 97, 12, 18, 14});
    p.push_back({2043, 118, 2, 18, 15});
    p.push_back({2044, 139, 2, 18, 15});
    p.push_back({2041, 118, 21, 18, 15});
    p.push_back({2042, 139, 21, 18, 15});
    return p;
}

QFont EntryFont() {
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(kEntryPointSize * ZoomPercent() / 100.0);
    return f;
}

// The typed-in separators of QLocale as 8-bit text: a character the code
// page cannot hold is kept as UTF-8, so the one-character rule rejects it.
// A no-break space of either width (French groups with the narrow one) is
// the code page's no-break space.
std::string LocaleText(const QString& s) {
    if (s == QStringLiteral("\u202f")) return std::string(1, char(0xA0));
    if (s.size() == 1) {
        const std::string one = ToCalcText(s);
        if (one != "?" || s == QStringLiteral("?")) return one;
    }
    return s.toStdString();
}

// A keypad button: a label wider than the button is cut at its end with an
// ellipsis, never clipped on both sides as a centred text would be; text()
// keeps the whole label.
class KeyButton : public QPushButton {
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const QRect room = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this);
        opt.text = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
        p.drawControl(QStyle::CE_PushButton, opt);
        // The style's dotted focus frame is hard to find on 46 small keys.
        if (hasFocus()) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        }
    }
};

// The entry line as a screen reader gets it: named, read only, its text
// the plain text it shows (digits and the locale's decimal separator, not
// the drawn bullet and superscripts).
class EntryAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit EntryAccessible(QWidget* w) : QAccessibleWidget(w, QAccessible::EditableText) {}
    static QString Text(QWidget* w) { return w->property("kivSaid").toString(); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QStringLiteral("Entry line");
        if (t == QAccessible::Value) return Text(widget());
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    // QAccessibleTextInterface: the whole text, no selection, the caret at its end.
    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return int(Text(widget()).size()); }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override {
        return Text(widget()).mid(start, end - start);
    }
    int characterCount() const override { return int(Text(widget()).size()); }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int* start, int* end) const override {
        *start = *end = offset;
        return QString();
    }
};

QAccessibleInterface* EntryAccessibleFactory(const QString&, QObject* o) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && w->property("kivEntryLine").toBool()) return new EntryAccessible(w);
    return nullptr;
}

// The hidden-character counts have 10 dialog units beside "<" and ">": a
// count too wide for them in the dialog font is drawn smaller, so that it
// shows whole.
void ShowCountWhole(QLabel* l, const QString& text, const QFont& dialogFont) {
    QFont f = dialogFont;
    const int room = l->contentsRect().width() - l->indent();
    int px = QFontInfo(f).pixelSize();
    while (px > 6 && QFontMetrics(f).horizontalAdvance(text) > room) f.setPixelSize(--px);
    l->setFont(f);
    l->setText(text);
}

// Tab moves through a window's controls as they are laid out: row by row
// from the top, left to right within a row; controls whose tops lie within
// half of `rowHeight` of the row's first share its row. The parts of a
// control (a combo box's edit) keep their place after it.
void TabInLayoutOrder(QWidget* window, int rowHeight) {
    struct Spot {
        QWidget* w;
        QPoint at;
        int row = 0;
    };
    std::vector<Spot> spots;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() || w->isWindow()) continue;
        bool part = false;
        for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
            part = part || (p->focusPolicy() & Qt::TabFocus);
        if (!part) spots.push_back({w, w->mapTo(window, QPoint(0, 0))});
    }
    std::stable_sort(spots.begin(), spots.end(),
                     [](const Spot& a, const Spot& b) { return a.at.y() < b.at.y(); });
    for (size_t i = 1, top = 0; i < spots.size(); ++i) {
        if (spots[i].at.y() > spots[top].at.y() + rowHeight / 2) top = i;
        spots[i].row = int(top);
    }
    std::stable_sort(spots.begin(), spots.end(), [](const Spot& a, const Spot& b) {
        return a.row != b.row ? a.row < b.row : a.at.x() < b.at.x();
    });
    for (size_t i = 1; i < spots.size(); ++i) QWidget::setTabOrder(spots[i - 1].w, spots[i].w);
}

// A field without a name of its own is named by the label that stands
// before it in its row ("Stack size:"), as a screen reader expects.
void NameFieldsByTheirLabels(QWidget* window, int rowHeight) {
    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    for (QWidget* f : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QLineEdit*>(f) && !qobject_cast<QComboBox*>(f)) continue;
        if (!f->accessibleName().isEmpty() || qobject_cast<QComboBox*>(f->parentWidget())) continue;
        const QRect at(f->mapTo(window, QPoint(0, 0)), f->size());
        QLabel* best = nullptr;
        int bestX = -1;
        for (QLabel* l : labels) {
            const QRect r(l->mapTo(window, QPoint(0, 0)), l->size());
            if (l->buddy() || l->text().isEmpty() || r.right() > at.left() ||
                std::abs(r.center().y() - at.center().y()) > rowHeight / 2 || r.left() <= bestX)
                continue;
            best = l;
            bestX = r.left();
        }
        if (best) best->setBuddy(f);
    }
}

}  // namespace

// ---------------------------------------------------------------- building

CMainDlg::CMainDlg(QWidget* parent) : QDialog(parent), QtWindow(this) {
    setFont(DialogFont());
    du_ = DialogUnits::ForFont(font());
    setWindowTitle(QStringLiteral("Kiv"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    menuBar_ = new QMenuBar(this);
    layout->setMenuBar(menuBar_);
    client_ = new QWidget(this);
    layout->addWidget(client_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    buildControls();
    buildMenus();
    TabInLayoutOrder(client_, du_.y(8));
    // The template's height includes the menu bar attached at run time.
    client_->setFixedSize(du_.x(160), du_.y(186) - menuBar_->sizeHint().height());
    qApp->installEventFilter(this);
    SetAppEventHandler([this](int code, int) {
        if (code != APP_EVENT_REFRESH || !StateLocated()) return;
        beginScope();
        if (Core().onUnitChosen) Core().onUnitChosen();
        endScope();
        checkDisplayMode();  // a dialog may have changed the display mode
    });
}

CMainDlg::~CMainDlg() {
    qApp->removeEventFilter(this);
    SetAppEventHandler(nullptr);
    shutDown();
}

QRect CMainDlg::place(int id, int x, int y, int w, int h) {
    places_[id] = QRect(x, y, w, h);
    return du_.rect(x, y, w, h);
}

void CMainDlg::buildControls() {
    stack_ = new QListWidget(client_);
    stack_->setGeometry(place(IDC_STACK_LIST, 3, 2, 92, 42));
    stack_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    stack_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stack_->setUniformItemSizes(true);
    stack_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(stack_, &QListWidget::itemDoubleClicked, this, &CMainDlg::onStackDoubleClick);
    stack_->setAccessibleName(QStringLiteral("Stack"));
    controls_[IDC_STACK_LIST] = stack_;
    stackHint_ = new QLabel(stack_->viewport());
    stackHint_->setWordWrap(true);
    stackHint_->setAlignment(Qt::AlignCenter);
    stackHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    stackHint_->setForegroundRole(QPalette::PlaceholderText);
    stackHint_->setMargin(4);
    stackHint_->hide();

    entry_ = new QTextEdit(client_);
    entry_->setGeometry(place(IDC_ENTRY, 21, 47, 118, 19));
    entry_->setReadOnly(true);
    entry_->setFocusPolicy(Qt::NoFocus);
    entry_->setLineWrapMode(QTextEdit::NoWrap);
    entry_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    entry_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    entry_->setTextInteractionFlags(Qt::NoTextInteraction);
    entry_->document()->setDocumentMargin(2);
    entry_->setFont(EntryFont());
    entry_->setProperty("kivEntryLine", true);
    static const bool factory = (QAccessible::installFactory(EntryAccessibleFactory), true);
    (void)factory;
    controls_[IDC_ENTRY] = entry_;

    hiddenLeft_ = new QLabel(client_);
    hiddenLeft_->setGeometry(place(IDC_HIDDEN_LEFT, 0, 53, 10, 8));
    hiddenLeft_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    controls_[IDC_HIDDEN_LEFT] = hiddenLeft_;
    hiddenRight_ = new QLabel(client_);
    hiddenRight_->setGeometry(place(IDC_HIDDEN_RIGHT, 149, 53, 10, 8));
    hiddenRight_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    controls_[IDC_HIDDEN_RIGHT] = hiddenRight_;

    auto makeButton = [this](int id, const QRect& r, const QString& text) {
        auto* b = new KeyButton(text, client_);
        b->setGeometry(r);
        b->setAutoDefault(false);
        b->setDefault(false);
        b->setFocusPolicy(Qt::TabFocus);
        b->setProperty("kivId", id);
        connect(b, &QPushButton::clicked, this, [this, id] { command(id); });
        controls_[id] = b;
        return b;
    };
    makeButton(IDC_SCROLL_LEFT, place(IDC_SCROLL_LEFT, 11, 50, 8, 14), QStringLiteral("<"))->hide();
    makeButton(IDC_SCROLL_RIGHT, place(IDC_SCROLL_RIGHT, 141, 50, 8, 14), QStringLiteral(">"))
        ->hide();
    controls_[IDC_SCROLL_LEFT]->setAccessibleName(QStringLiteral("Scroll left"));
    controls_[IDC_SCROLL_RIGHT]->setAccessibleName(QStringLiteral("Scroll right"));
    for (const Place& p : KeypadPlaces()) {
        // The application-wide filter gives them tooltips that follow the
        // current state.
        makeButton(p.id, place(p.id, p.x, p.y, p.w, p.h), QString());
    }
    controls_[2045]->setFocusPolicy(Qt::StrongFocus);
}

QAction* CMainDlg::addItem(QMenu* menu, const char* text, int id) {
    // The keys after the tab become the item's shortcut: the menu shows them
    // in its own column and a screen reader reads them as the item's keys,
    // not as part of its name. They act through the accelerator table; the
    // shortcut itself only while the menu bar has the focus (Alt).
    const QString full = QString::fromLatin1(text);
    QAction* a = menu->addAction(full.section('\t', 0, 0));
    if (full.contains('\t')) {
        a->setShortcut(QKeySequence(full.section('\t', 1)));
        a->setShortcutContext(Qt::WidgetShortcut);
    }
    a->setData(id);
    connect(a, &QAction::triggered, this, [this, id] { command(id); });
    actions_[id] = a;
    return a;
}

void CMainDlg::buildMenus() {
    QMenu* edit = menuBar_->addMenu(QStringLiteral("&Edit"));
    addItem(edit, "&Undo\tCtrl+Z", ID_EDIT_UNDO);
    edit->addSeparator();
    addItem(edit, "&Copy top of stack\tCtrl+C", ID_EDIT_COPY);
    addItem(edit, "&Paste\tCtrl+V", ID_EDIT_PASTE);

    QMenu* unit = menuBar_->addMenu(QStringLiteral("&Unit"));
    addItem(unit, "&Define unit...\tCtrl+D", ID_UNIT_DEFINE);
    addItem(unit, "Set &button...\tCtrl+B", ID_UNIT_SETBUTTON);
    addItem(unit, "&Make primitive\tCtrl+M", ID_UNIT_PRIMITIVE);
    unit->addSeparator();
    addItem(unit, "&Import...", ID_UNIT_IMPORT);
    addItem(unit, "E&xport...", ID_UNIT_EXPORT);

    QMenu* display = menuBar_->addMenu(QStringLiteral("&Display"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    const char* modes[4] = {"&Standard", "&Fixed", "S&cientific", "E&ngineering"};
    for (int i = 0; i < 4; ++i) {
        QAction* a = addItem(display, modes[i], ID_DISPLAY_STANDARD + i);
        a->setCheckable(true);
        group->addAction(a);
        displayActions_.push_back(a);
    }

    display->addSeparator();
    addItem(display, "Zoom &in\tCtrl++", ID_ZOOM_IN);
    addItem(display, "Zoom &out\tCtrl+-", ID_ZOOM_OUT);
    addItem(display, "&Actual size\tCtrl+0", ID_ZOOM_ACTUAL);
    addItem(display, "Always on &top", ID_ALWAYS_ON_TOP)->setCheckable(true);

    QMenu* options = menuBar_->addMenu(QStringLiteral("&Options"));
    addItem(options, "&Preferences...", ID_OPTIONS_PREFS);
    addItem(options, "&Display prefs...", ID_OPTIONS_DISPLAYPREFS);

    QMenu* help = menuBar_->addMenu(QStringLiteral("&Help"));
    addItem(help, "Kiv &guide\tF1", ID_HELP);
    addItem(help, "&About Kiv", ID_ABOUT);
    // The menus are windows of their own: they take the zoomed font too.
    for (QMenu* m : menuBar_->findChildren<QMenu*>()) m->setAttribute(Qt::WA_WindowPropagation);
}

QWidget* CMainDlg::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

QAction* CMainDlg::menuAction(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

// ------------------------------------------------------------ start and end

QRect CMainDlg::entryBox() const {
    // The widget's own contents: the viewport gets its size only when shown.
    const int m = int(entry_->document()->documentMargin());
    return QRect(QPoint(0, 0), entry_->contentsRect().size()).adjusted(m, m, -m, -m);
}

QRect CMainDlg::stackListBox() const {
    QRect r(QPoint(0, 0), stack_->contentsRect().size());
    r.setRight(r.right() - stack_->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    return r;
}

int CMainDlg::visibleStackLines() const {
    int item = stack_->sizeHintForRow(0);
    if (item <= 0) {
        QListWidget probe;
        probe.setFont(stack_->font());
        probe.addItem(QStringLiteral("0"));
        item = probe.sizeHintForRow(0);
    }
    if (item <= 0) item = 16;
    return stackListBox().height() / item;
}

bool CMainDlg::startUp() {
    if (!StorageStartup()) return false;

    CoreLink& core = Core();
    if (core.setSeparators) {
        const auto [decimal, group] = LocaleSeparators(QLocale::system());
        core.setSeparators(decimal, group);
    }

    // Layout: the geometry needs the widgets laid out, which happens when the
    // layout is activated (the window is not shown yet).
    layout()->activate();
    client_->ensurePolished();
    if (core.setGeometry) {
        const QRect e = entryBox();
        core.setGeometry(e.left(), e.right(), stackListBox().width(), visibleStackLines());
    }
    if (core.createFonts) core.createFonts();
    entry_->setFont(EntryFont());

    if (!StateLocated() && !LocateStateRecord()) return false;
    beginScope();
    if (State::zoom() != 0) applyZoom();
    checkZoomItems();
    applyAlwaysOnTop();
    if (core.refreshLabels) core.refreshLabels();
    if (core.refreshDisplay) core.refreshDisplay();
    UpdateMenuState();
    endScope();
    checkDisplayMode();

    if (FirstStart()) QTimer::singleShot(0, this, [this] { command(ID_UNIT_IMPORT); });
    controls_[2045]->setFocus(Qt::OtherFocusReason);
    return true;
}

std::pair<char, char> CMainDlg::LocaleSeparators(const QLocale& locale) {
    CoreLink& core = Core();
    if (!core.separatorsFromLocale) return {'.', ','};
    return core.separatorsFromLocale(LocaleText(locale.decimalPoint()),
                                     LocaleText(locale.groupSeparator()));
}

void CMainDlg::requestClose() {
    if (shutDown_) return;
    closeRequested_ = true;
    QWidget* open = QApplication::activePopupWidget();
    if (!open) open = QApplication::activeModalWidget();
    if (open && open != this) {
        // Rejecting answers a question with its cancelling answer; the
        // handler that asked goes on, and this is tried again after it.
        if (auto* d = qobject_cast<QDialog*>(open))
            d->reject();
        else
            open->close();
        QTimer::singleShot(20, this, [this] { requestClose(); });
        return;
    }
    close();
}

void CMainDlg::shutDown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (StorageShutdown()) return;
    saveFailed_ = true;
    const QString folder = QString::fromStdString(GetDataFolder());
    std::fprintf(stderr, "kiv: could not write kivDB_pdb in %s\n", qPrintable(folder));
}

void CMainDlg::closeEvent(QCloseEvent* e) {
    shutDown();
    e->accept();
    // The user closed the window and may be gone the next moment: say that
    // this session's changes did not reach the disk. A close from a signal
    // or the session ending only leaves the line on stderr.
    if (saveFailed_ && !closeRequested_ && !saveFailureShown_) {
        saveFailureShown_ = true;
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Kiv"), QString(), QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText);  // the folder's name is no markup
        box.setText(QStringLiteral("Kiv could not write its data file kivDB_pdb in %1. The "
                                   "changes made since the last start are lost.")
                        .arg(QString::fromStdString(GetDataFolder())));
        box.setAccessibleDescription(box.text());
        box.exec();
    }
}

void CMainDlg::reject() {
    // Esc first ends a unit's wait for its button; only then does it close.
    if (!shutDown_ && StateLocated() && Core().cancelAssign) {
        beginScope();
        const bool cancelled = Core().cancelAssign();
        endScope();
        if (cancelled) return;
    }
    close();
}

// ------------------------------------------------------------- commands

void CMainDlg::beginScope() {
    ++scopeDepth_;
}

// Qt coalesces the updates a handler requests into one paint per widget at
// the next pass of the event loop, so closing the outermost scope needs no
// repaint of its own.
void CMainDlg::endScope() {
    if (scopeDepth_ > 0) --scopeDepth_;
    if (scopeDepth_ == 0 && namesStale_) updateAccessibleNames();
}

// The keys' names follow their labels: they are worked out again only
// after a command that changed a key's label or state (or the no-units
// hint, which the blank keys' descriptions give), and a screen reader hears
// of a name only when it changed.
void CMainDlg::updateAccessibleNames() {
    CoreLink& core = Core();
    if (!core.buttonSpokenName || !StateLocated()) return;
    namesStale_ = false;
    for (int id = IDC_BUTTON_FIRST; id <= IDC_BUTTON_LAST; ++id) {
        QWidget* b = control(id);
        const QString name = FromCalcText(core.buttonSpokenName(id));
        const QString key = FromCalcText(core.buttonKeyName(id));
        QString said = FromCalcText(core.buttonTooltip(id));
        if (!key.isEmpty()) said += (said.isEmpty() ? "" : "\n") + QStringLiteral("Key: ") + key;
        if (b->accessibleName() != name) b->setAccessibleName(name);
        if (b->accessibleDescription() != said) b->setAccessibleDescription(said);
    }
}

void CMainDlg::command(int id) {
    if (shutDown_ || !StateLocated()) return;
    CoreLink& core = Core();
    auto scoped = [this](const std::function<void()>& f) {
        if (!f) return;
        beginScope();
        f();
        endScope();
    };
    const bool floating = State::radix() == 0;
    if (id >= IDC_BUTTON_FIRST && id <= IDC_BUTTON_LAST) {
        if (core.onButton) scoped([&] { core.onButton(id); });
        return;
    }
    if (id >= ID_KEY_FIRST && id <= ID_KEY_LAST) {
        if (core.onKeyCommand) scoped([&] { core.onKeyCommand(id); });
        return;
    }
    if (id >= ID_RADIX_FLOAT && id <= ID_RADIX_STACK) {
        if (core.radixCommand) scoped([&] { core.radixCommand(id); });
        return;
    }
    if (id >= ID_WORD_8 && id <= ID_WORD_128) {
        if (core.wordSizeCommand) scoped([&] { core.wordSizeCommand(id); });
        return;
    }
    if (id >= ID_DISPLAY_STANDARD && id <= ID_DISPLAY_ENGINEERING) {
        scoped([&] { setDisplayMode(id - ID_DISPLAY_STANDARD); });
        return;
    }
    switch (id) {
        case IDC_SCROLL_LEFT:
        case IDC_SCROLL_RIGHT:
            if (core.scrollEntry) scoped([&] { core.scrollEntry(id); });
            break;
        case ID_EDIT_UNDO:
            scoped([&] {
                if (core.undo) core.undo();
                if (core.refreshDisplay) core.refreshDisplay();
            });
            break;
        case ID_EDIT_COPY:
            copyTop();
            break;
        case ID_EDIT_PASTE:
            scoped([&] { paste(); });
            break;
        case ID_UNIT_DEFINE:
            if (floating && hooks.defineUnit) hooks.defineUnit();
            break;
        case ID_UNIT_SETBUTTON:
            if (core.startAssign) scoped(core.startAssign);
            break;
        case ID_UNIT_PRIMITIVE:
            if (!floating) break;
            scoped([&] {
                if (core.commitEntry) core.commitEntry();
                if (core.refreshLabels) core.refreshLabels();
                if (core.showBusy) core.showBusy();
                if (core.makePrimitive) core.makePrimitive();
                if (core.refreshDisplay) core.refreshDisplay();
            });
            break;
        case ID_UNIT_IMPORT:
            if (hooks.importUnits) hooks.importUnits();
            break;
        case ID_UNIT_EXPORT:
            if (hooks.exportUnits) hooks.exportUnits();
            break;
        case ID_OPTIONS_PREFS:
            if (hooks.preferences) hooks.preferences();
            break;
        case ID_OPTIONS_DISPLAYPREFS:
            if (hooks.displayPrefs) hooks.displayPrefs();
            break;
        case ID_ABOUT:
            about();
            break;
        case ID_ZOOM_IN:
        case ID_ZOOM_OUT:
        case ID_ZOOM_ACTUAL: {
            const int now = State::zoom();
            const int step = id == ID_ZOOM_ACTUAL ? 0
                             : id == ID_ZOOM_IN   ? std::min(now + 1, so::kZoomStepCount - 1)
                                                  : std::max(now - 1, 0);
            if (step == now) break;
            State::setZoom(uint8_t(step));
            scoped([&] { applyZoom(); });
            break;
        }
        case ID_ALWAYS_ON_TOP:
            State::setAlwaysOnTop(!State::alwaysOnTop());
            applyAlwaysOnTop();
            break;
        case ID_HELP:
            openHelp();
            break;
        default:
            break;
    }
}

// The zoom step of the state record, applied to everything at once: the
// fonts, the dialog-unit places, the boxes the core fits text into, and the
// texts fitted again. Runs inside a drawing scope.
void CMainDlg::applyZoom() {
    const int step = std::clamp(State::zoom(), 0, so::kZoomStepCount - 1);
    SetZoomPercent(kZoomSteps[step]);
    setFont(DialogFont());
    du_ = DialogUnits::ForFont(font());
    for (const auto& [id, r] : places_)
        control(id)->setGeometry(du_.rect(r.x(), r.y(), r.width(), r.height()));
    entry_->setFont(EntryFont());
    client_->setFixedSize(du_.x(160), du_.y(186) - menuBar_->sizeHint().height());
    layout()->activate();
    CoreLink& core = Core();
    if (core.setGeometry) {
        const QRect e = entryBox();
        core.setGeometry(e.left(), e.right(), stackListBox().width(), visibleStackLines());
    }
    if (core.createFonts) core.createFonts();
    for (QLabel* l : {hiddenLeft_, hiddenRight_}) ShowCountWhole(l, l->text(), font());
    checkZoomItems();
    if (core.refreshDisplay) core.refreshDisplay();
}

void CMainDlg::checkZoomItems() {
    const int step = StateLocated() ? State::zoom() : 0;
    actions_[ID_ZOOM_IN]->setEnabled(step < so::kZoomStepCount - 1);
    actions_[ID_ZOOM_OUT]->setEnabled(step > 0);
    actions_[ID_ZOOM_ACTUAL]->setEnabled(step > 0);
}

void CMainDlg::applyAlwaysOnTop() {
    const bool on = State::alwaysOnTop();
    actions_[ID_ALWAYS_ON_TOP]->setChecked(on);
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == on) return;
    // A window whose flags change is hidden until it is shown again.
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown) show();
}

void CMainDlg::setDisplayMode(int mode) {
    State::setDisplayMode(uint8_t(mode));
    if (Core().refreshDisplay) Core().refreshDisplay();
    checkDisplayMode();
}

void CMainDlg::checkDisplayMode() {
    const int mode = StateLocated() ? State::displayMode() : 0;
    for (int i = 0; i < int(displayActions_.size()); ++i) displayActions_[i]->setChecked(i == mode);
}

void CMainDlg::onStackDoubleClick(QListWidgetItem* item) {
    if (shutDown_ || !StateLocated()) return;
    CoreLink& core = Core();
    int index = item ? stack_->row(item) : stack_->currentRow();
    const int depthNow = core.stackDepth ? core.stackDepth() : 0;
    if (State::entryLength() >= 0 && depthNow >= State::stackSize()) --index;
    if (index < 0) return;
    beginScope();
    if (core.commitEntry) core.commitEntry();
    const int d = core.stackDepth ? core.stackDepth() : 0;
    const int v = visibleStackLines();
    const int level = v < d ? d - index - 1 : v - index;
    if (level < d && core.exchange) core.exchange(level);
    if (core.refreshDisplay) core.refreshDisplay();
    endScope();
}

// ------------------------------------------------------------- keyboard

int CMainDlg::AcceleratorFor(int key, Qt::KeyboardModifiers mods, const QString& text) {
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & (Qt::AltModifier | Qt::MetaModifier);
    if (ctrl && !alt) {
        switch (key) {
            case Qt::Key_B:
                return ID_UNIT_SETBUTTON;
            case Qt::Key_C:
                return ID_EDIT_COPY;
            case Qt::Key_D:
                return ID_UNIT_DEFINE;
            case Qt::Key_M:
                return ID_UNIT_PRIMITIVE;
            case Qt::Key_P:
            case Qt::Key_V:
                return ID_EDIT_PASTE;
            case Qt::Key_U:
            case Qt::Key_Z:
                return ID_EDIT_UNDO;
            case Qt::Key_Plus:
            case Qt::Key_Equal:
                return ID_ZOOM_IN;
            case Qt::Key_Minus:
                return ID_ZOOM_OUT;
            case Qt::Key_0:
                return ID_ZOOM_ACTUAL;
            default:
                return 0;
        }
    }
    if (ctrl || alt) return 0;
    if (key == Qt::Key_F1) return ID_HELP;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return 3051;
    if (key == Qt::Key_Backspace) return 3056;
    // The keypad's decimal key types the layout's separator (a comma on many
    // layouts); it is the decimal point here either way.
    if ((mods & Qt::KeypadModifier) && (key == Qt::Key_Comma || key == Qt::Key_Period)) return 3050;
    if (text.size() != 1) return 0;
    const char16_t c = text.at(0).unicode();
    if (c >= '0' && c <= '9') return 3000 + (c - '0');
    if (c >= 'a' && c <= 'z') return 3010 + (c - 'a');
    if (c >= 'A' && c <= 'Z') return 3010 + (c - 'A');
    switch (c) {
        case '.':
            return 3050;
        case '+':
            return 3052;
        case '-':
            return 3053;
        case '*':
            return 3054;
        case '/':
            return 3055;
        case '^':
            return 3057;  // Shift+6 on a US layout
        case '&':
            return 3058;  // Shift+7
        case '!':
            return 3059;  // Shift+1: in the table, does nothing
        case '~':
            return 3060;
        case '%':
            return 3061;  // Shift+5
        case '|':
            return 3062;
        case '<':
            return 3063;
        case '>':
            return 3064;
        case '=':
            return 3065;  // conv
        case ':':
            return 3066;  // per
        case '#':
            return 3067;  // the unit keypad
        default:
            return 0;
    }
}

bool CMainDlg::ownsKeyEvent(QObject* watched) const {
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != this) return false;
    if (QApplication::activePopupWidget()) return false;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this) return false;
    if (menuBar_->hasFocus()) return false;
    return true;
}

bool CMainDlg::event(QEvent* e) {
    // The icon decodes six PNG files: it is set once the window has painted,
    // so the window does not wait for it.
    if (e->type() == QEvent::Paint && !iconRequested_) {
        iconRequested_ = true;
        QTimer::singleShot(0, this, [] { QApplication::setWindowIcon(KivIcon()); });
    }
    return QDialog::event(e);
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress: {
            if (!ownsKeyEvent(watched)) break;
            auto* k = static_cast<QKeyEvent*>(event);
            const int id = AcceleratorFor(k->key(), k->modifiers(), k->text());
            if (id == 0) break;
            // A grayed menu item's accelerator does nothing.
            if (QAction* a = menuAction(id); a && !a->isEnabled()) return true;
            command(id);
            return true;
        }
        case QEvent::Paint:
            if (watched == entry_->viewport()) ++entryPaints_;
            break;
        case QEvent::Show:
            // Every template dialog, once its controls are all there.
            if (auto* d = qobject_cast<QDialog*>(watched);
                d && d->inherits("kiv::TemplateDlg") && !d->property("kivTabOrder").toBool()) {
                d->setProperty("kivTabOrder", true);
                TabInLayoutOrder(d, d->fontMetrics().height());
                NameFieldsByTheirLabels(d, d->fontMetrics().height());
            }
            break;
        case QEvent::ToolTip: {
            auto* b = qobject_cast<QPushButton*>(watched);
            if (!b || !Core().buttonTooltip || !StateLocated()) break;
            const QString tip = FromCalcText(Core().buttonTooltip(b->property("kivId").toInt()));
            auto* h = static_cast<QHelpEvent*>(event);
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(h->globalPos(), tip, b);
            return true;
        }
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

// ------------------------------------------------------------- Window

void CMainDlg::setControlText(int id, const std::string& text) {
    QWidget* w = control(id);
    const QString t = FromCalcText(text);
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        if (b->text() != t) b->setText(t), namesStale_ = true;
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        ShowCountWhole(l, t, font());
        const QString side = id == IDC_HIDDEN_LEFT ? "left" : "right";
        l->setAccessibleName(t.isEmpty()
                                 ? QString()
                                 : QStringLiteral("%1 characters hidden on the %2").arg(t, side));
    } else if (w == entry_) {
        // Painted with everything else when the handler returns: the
        // operations are fast enough that a text painted on its own before
        // them would only flicker.
        renderEntry({EntryRun{text, RunKind::Plain}});
    }
}

void CMainDlg::enableControl(int id, bool on) {
    QWidget* w = control(id);
    if (!w) return;
    const bool was = w->isEnabled();
    w->setEnabled(on);
    if (w->isEnabled() != was) namesStale_ = true;
}

void CMainDlg::showControl(int id, bool on) {
    if (QWidget* w = control(id)) w->setVisible(on);
}

void CMainDlg::renderEntry(const std::vector<EntryRun>& runs) {
    QTextDocument* doc = entry_->document();
    doc->clear();
    QTextCursor cursor(doc);
    QTextCharFormat plain;
    plain.setFont(EntryFont());
    shownEntry_.clear();
    for (const EntryRun& run : runs) {
        QTextCharFormat f = plain;
        switch (run.kind) {
            case RunKind::Plain:
                shownEntry_ += run.text;
                break;
            case RunKind::DecimalMark:
                // Full height, lowered by a quarter of the line height.
                f.setBaselineOffset(-25.0);
                shownEntry_ += char(0xCA);
                break;
            case RunKind::Superscript:
                // Two thirds of the height, raised by a third of the full
                // height, which is half of the smaller font's own height.
                f.setFontPointSize(plain.font().pointSizeF() * 2.0 / 3.0);
                f.setBaselineOffset(50.0);
                for (char c : run.text)
                    if (c >= '0' && c <= '9') shownEntry_ += char(0xC0 + (c - '0'));
                break;
        }
        cursor.insertText(FromCalcText(run.text), f);
    }
    cursor.movePosition(QTextCursor::End);
    cursor.setCharFormat(plain);
    entry_->setTextCursor(cursor);
    const QString said =
        FromCalcText(Core().plainText ? Core().plainText(shownEntry_) : shownEntry_);
    const QString old = EntryAccessible::Text(entry_);
    if (said != old) {
        entry_->setProperty("kivSaid", said);
        if (QAccessible::isActive()) {
            QAccessibleTextUpdateEvent e(entry_, 0, old, said);
            QAccessible::updateAccessibility(&e);
        }
    }
}

void CMainDlg::setStackList(const std::vector<std::string>& rows) {
    stack_->setUpdatesEnabled(false);
    stack_->clear();
    for (const std::string& r : rows) stack_->addItem(FromCalcText(r));
    stack_->setUpdatesEnabled(true);
    stack_->scrollToBottom();
}

void CMainDlg::setStackHint(const std::string& text) {
    const QString hint = FromCalcText(text);
    if (hint != stackHint_->text()) namesStale_ = true;
    stackHint_->setText(hint);
    stackHint_->setGeometry(stack_->viewport()->rect());
    stackHint_->setVisible(!text.empty());
}

void CMainDlg::enableMenuItem(int id, bool on) {
    if (QAction* a = menuAction(id)) a->setEnabled(on);
}

void CMainDlg::checkMenuItem(int id, bool on) {
    if (QAction* a = menuAction(id)) {
        a->setCheckable(true);
        a->setChecked(on);
    }
}

int CMainDlg::popupMenu(int popupIndex, int checkedCommand, int anchorButtonId) {
    QMenu menu(this);
    auto* group = new QActionGroup(&menu);
    group->setExclusive(true);
    auto add = [&](const char* text, int id) {
        QAction* a = menu.addAction(QString::fromLatin1(text));
        a->setData(id);
        a->setCheckable(true);
        a->setChecked(id == checkedCommand);
        group->addAction(a);
    };
    if (popupIndex == POPUP_WORDSIZE) {
        menu.setTitle(QStringLiteral("WORDSIZE"));
        add("8", ID_WORD_8);
        add("16", ID_WORD_16);
        add("32", ID_WORD_32);
        add("64", ID_WORD_64);
        add("128", ID_WORD_128);
    } else {
        menu.setTitle(QStringLiteral("RADIX"));
        add("Float", ID_RADIX_FLOAT);
        add("16  Hex", ID_RADIX_HEX);
        add("10  Decimal", ID_RADIX_DEC);
        add("  8  Octal", ID_RADIX_OCT);
        add("  2  Binary", ID_RADIX_BIN);
        add("  x  (stack)", ID_RADIX_STACK);
    }
    if (popupAnswerForTests) return popupAnswerForTests(&menu);
    QWidget* anchor = control(anchorButtonId);
    const QPoint at = anchor ? anchor->mapToGlobal(anchor->rect().center()) : QCursor::pos();
    QAction* chosen = menu.exec(at);
    return chosen ? chosen->data().toInt() : 0;
}

bool CMainDlg::chooseFile(bool save, const std::string& title, const std::string& startFolder,
                          std::string* path) {
    const QString t = FromCalcText(title), dir = QString::fromStdString(startFolder);
    const QString chosen = save ? QFileDialog::getSaveFileName(this, t, dir)
                                : QFileDialog::getOpenFileName(this, t, dir);
    if (chosen.isEmpty()) return false;
    *path = chosen.toStdString();
    return true;
}

void CMainDlg::runDialog(DialogKind kind) {
    switch (kind) {
        case DialogKind::Memory:
            if (hooks.memoryDialog) hooks.memoryDialog();
            break;
        case DialogKind::Units:
            if (hooks.unitsDialog) hooks.unitsDialog();
            break;
        case DialogKind::DefineUnit:
            if (hooks.defineUnitFromKeypad) hooks.defineUnitFromKeypad();
            break;
    }
}

// ------------------------------------------------------------- clipboard

void CMainDlg::copyTop() {
    if (Core().copyTopText) setClipboardText(Core().copyTopText());
}

void CMainDlg::paste() {
    std::string text;
    if (!clipboardText(&text)) return;
    if (Core().pasteText) Core().pasteText(text);
    if (Core().refreshDisplay) Core().refreshDisplay();
}

// ------------------------------------------------------------- help, about

QStringList HelpDocumentCandidates() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    return {
        QDir::cleanPath(QDir(exeDir).filePath(QStringLiteral("../share/kiv/kiv.html"))),
        QDir::cleanPath(
            QDir(QStringLiteral(KIV_SOURCE_DATA_DIR)).filePath(QStringLiteral("kiv.html"))),
    };
}

void CMainDlg::openHelp() {
    const QStringList looked =
        helpDocument_.isEmpty() ? HelpDocumentCandidates() : QStringList{helpDocument_};
    QString found;
    for (const QString& c : looked)
        if (found.isEmpty() && QFileInfo(c).isFile()) found = QFileInfo(c).canonicalFilePath();
    if (!found.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(found))) return;
    // Say which file, and what is missing when the file is there.
    const QString text = found.isEmpty()
                             ? QStringLiteral("Cannot find help file\n\nKiv looked for it at:\n") +
                                   looked.join(QLatin1Char('\n'))
                             : QStringLiteral(
                                   "Cannot show help file\n\n%1\n\nA web browser is needed to show "
                                   "it, and none could be started.")
                                   .arg(found);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Sorry"), QString(), QMessageBox::Ok,
                    this);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setAccessibleDescription(text);
    box.exec();
}

void CMainDlg::about() {
    CAboutDlg dlg(this);
    dlg.exec();
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setFont(DialogFont());
    du_ = DialogUnits::ForFont(font());
    setWindowTitle(QStringLiteral("About Kiv"));
    setFixedSize(du_.x(178), du_.y(225));
    auto* icon = new QLabel(this);
    icon->setPixmap(KivIcon().pixmap(32, 32));
    icon->move(du_.x(23), du_.y(19));
    icon->resize(32, 32);
    auto* name = new QLabel(QStringLiteral("Kiv"), this);
    name->move(du_.x(60), du_.y(18));
    auto* version = new QLabel(QStringLiteral("Version " KIV_VERSION), this);
    version->move(du_.x(60), du_.y(27));
    auto* licence = new QLabel(QStringLiteral("Free software: GNU GPL, version 3 or later."), this);
    licence->setAlignment(Qt::AlignCenter);
    licence->setGeometry(du_.rect(4, 186, 170, 10));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(du_.rect(34, 204, 41, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::paintEvent(QPaintEvent* e) {
    QDialog::paintEvent(e);
    QPainter p(this);
    DrawTransparentBitmap(p, AboutLogo(), du_.x(118), du_.y(12), qRgb(0, 0, 0));
}

}  // namespace kiv
