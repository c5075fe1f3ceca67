// Texts that do not fit where they stand: a user-button label is cut at its
// end with an ellipsis, the count of hidden entry-line characters shows
// whole, and the settings fields show every character they hold. Each case
// records what a widget really draws (every text run with its place) and
// asks that it lies inside the room the widget gives it.
#include <QLabel>
#include <QLineEdit>
#include <QPaintEngine>
#include <QPaintEngineState>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>
#include <QTextItem>
#include <vector>

#include "app/qt/dlg_prefs.h"
#include "guitest_support.h"
#include "keypad/dispatch.h"
#include "keypad/keypad.h"
#include "res/resource.h"
#include "storage/state.h"
#include "support/unit_fixture.h"

using namespace kiv;
using namespace kiv::gui;

namespace {

struct DrawnText {
    QString text;
    QRectF rect;  // in the widget's coordinates
};

// A paint device that keeps the text runs painted on it and nothing else.
class TextRecorder : public QPaintDevice {
  public:
    explicit TextRecorder(const QWidget* w) : widget_(w), engine_(&runs) {}
    std::vector<DrawnText> runs;
    QPaintEngine* paintEngine() const override { return &engine_; }

  protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
            case PdmWidth:
                return widget_->width();
            case PdmHeight:
                return widget_->height();
            case PdmDevicePixelRatioScaled:
                return int(devicePixelRatioFScale());
            case PdmDevicePixelRatio:
                return 1;
            case PdmDepth:
                return 32;
            case PdmNumColors:
                return 256;
            case PdmWidthMM:
                return widget_->widthMM();
            case PdmHeightMM:
                return widget_->heightMM();
            default:  // the widget's own resolution, so fonts measure as on screen
                return widget_->logicalDpiX();
        }
    }

  private:
    class Engine : public QPaintEngine {
      public:
        explicit Engine(std::vector<DrawnText>* out) : QPaintEngine(AllFeatures), out_(out) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& s) override {
            if (s.state() & DirtyTransform) transform_ = s.transform();
        }
        // Everything else is left out (the defaults of the ones below call
        // each other).
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath&) override {}
        void drawTextItem(const QPointF& p, const QTextItem& ti) override {
            const QRectF r(p.x(), p.y() - ti.ascent(), ti.width(), ti.ascent() + ti.descent());
            out_->push_back({ti.text(), transform_.mapRect(r)});
        }
        Type type() const override { return User; }

      private:
        std::vector<DrawnText>* out_;
        QTransform transform_;
    };
    const QWidget* widget_;
    mutable Engine engine_;
};

// What `w` draws, joined, and the box around all of it.
DrawnText Drawn(QWidget* w) {
    TextRecorder rec(w);
    w->render(&rec, QPoint(), QRegion(), QWidget::RenderFlags());
    DrawnText all;
    for (const DrawnText& r : rec.runs) {
        all.text += r.text;
        all.rect = all.rect.isNull() ? r.rect : all.rect.united(r.rect);
    }
    return all;
}

QString Where(const DrawnText& d, const QRect& room) {
    return QStringLiteral("'%1' drawn over x %2..%3, room %4..%5")
        .arg(d.text)
        .arg(d.rect.left())
        .arg(d.rect.right())
        .arg(room.left())
        .arg(room.right());
}

// Drawn inside `room`, with half a pixel for rounding.
bool Inside(const DrawnText& d, const QRect& room) {
    return d.rect.left() >= room.left() - 0.5 && d.rect.right() <= room.right() + 1.5;
}

void Save(QWidget* w, const char* name) {
    Shot(w, name);
}

}  // namespace

class ClippingTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { resetLabelKeys(); }

    // A label that fits shows as it is; a longer one ends in an ellipsis
    // inside the button, its beginning intact.
    void userButtonLabelsAreCutAtTheirEnd_data() {
        QTest::addColumn<int>("exponent");
        QTest::addColumn<bool>("fits");
        QTest::newRow("m") << 0 << true;
        QTest::newRow("m2*kg/s3") << 3 << false;
    }
    void userButtonLabelsAreCutAtTheirEnd() {
        QFETCH(int, exponent);
        QFETCH(bool, fits);
        MainWindowRun run;
        QVERIFY(run.start());
        const UnitTable t = MakeUnitTable();
        setSlot(0, exponent ? MakeExpr({{t.m, 0, 2}, {t.kg, 0, 1}, {t.s, 0, int8_t(-exponent)}})
                            : MakeExpr({{t.m, 0, 1}}));
        onUnitChosen();
        const QString label = QString::fromLatin1(QTest::currentDataTag());
        const int id = ButtonWithLabel(run.dlg(), label);
        QVERIFY2(id != 0, qPrintable(label));
        auto* b = qobject_cast<QPushButton*>(run.dlg().control(id));
        QStyleOptionButton opt;
        opt.initFrom(b);
        const QRect room = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        const DrawnText d = Drawn(b);
        QVERIFY2(Inside(d, room), qPrintable(Where(d, room)));
        if (fits) {
            QCOMPARE(d.text, label);
        } else {
            QVERIFY2(d.text.endsWith(QChar(0x2026)), qPrintable(d.text));
            QVERIFY2(d.text.size() > 2 && label.startsWith(d.text.chopped(1)), qPrintable(d.text));
        }
        if (!fits) Save(&run.dlg(), "user-button-label");
    }

    // The count of characters hidden on the left, three digits long, is
    // drawn whole inside its label, which starts at the window's edge.
    void hiddenCountShowsWhole() {
        MainWindowRun run;
        QVERIFY(run.start());
        TypeKeys(run.dlg(), QString(130, QLatin1Char('7')));
        auto* count = qobject_cast<QLabel*>(run.dlg().control(IDC_HIDDEN_LEFT));
        QVERIFY(count->isVisible());
        QVERIFY2(count->text().size() == 3, qPrintable(count->text()));
        const DrawnText d = Drawn(count);
        QCOMPARE(d.text, count->text());
        QVERIFY2(Inside(d, count->contentsRect()), qPrintable(Where(d, count->contentsRect())));
        Save(&run.dlg(), "hidden-count");
    }

    // What is typed into the Preferences' stack size shows in full (the
    // field used to show "289" of "1289"), up to the five digits a 16-bit
    // size has.
    void stackSizeFieldShowsAllItHolds_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("held");
        QTest::newRow("1289") << "1289"
                              << "1289";
        QTest::newRow("65535") << "65535"
                               << "65535";
        QTest::newRow("888888") << "888888"
                                << "88888";
    }
    void stackSizeFieldShowsAllItHolds() {
        QFETCH(QString, typed);
        QFETCH(QString, held);
        MainWindowRun run;
        QVERIFY(run.start());
        CPrefsDlg d(&run.dlg());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        auto* edit = d.findChild<QLineEdit*>(QStringLiteral("id1001"));
        edit->selectAll();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), held);
        QStyleOptionFrame opt;
        opt.initFrom(edit);
        const QRect room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
        const DrawnText shown = Drawn(edit);
        QCOMPARE(shown.text, held);
        QVERIFY2(Inside(shown, room), qPrintable(Where(shown, room)));
        if (typed == held && typed.size() == 4) Save(&d, "preferences-stack-size");
        d.reject();
    }

    // The precision and the six group sizes hold three characters each,
    // all shown.
    void displayFieldsShowAllTheyHold() {
        MainWindowRun run;
        QVERIFY(run.start());
        CDisplayPrefsDlg d(&run.dlg());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        for (int id : {1001, 1018, 1019, 1020, 1021, 1022, 1023}) {
            auto* edit = d.findChild<QLineEdit*>(QStringLiteral("id%1").arg(id));
            edit->selectAll();
            QTest::keyClicks(edit, QStringLiteral("8888"));
            QCOMPARE(edit->text(), QStringLiteral("888"));
            QStyleOptionFrame opt;
            opt.initFrom(edit);
            const QRect room =
                edit->style()->subElementRect(QStyle::SE_LineEditContents, &opt, edit);
            const DrawnText shown = Drawn(edit);
            QCOMPARE(shown.text, QStringLiteral("888"));
            QVERIFY2(Inside(shown, room), qPrintable(QString::number(id) + Where(shown, room)));
        }
        Save(&d, "display-preferences");
        d.reject();
    }
};

QTEST_MAIN(ClippingTest)
#include "windows_clipping_test.moc"
