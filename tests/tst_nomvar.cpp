// The variable names dialog on its own, offscreen: what it shows, what it
// refuses and with which messages, what it stores, and that only a valid Ok
// closes it.
#include "main.h"
#include "model.h"
#include "nomvar.h"
#include "prompts.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace quintora;

namespace {

const QString kRepeated = QStringLiteral("Hay nombre repetidos... corríjalo.");

QString Unassigned(char letter) { return QStringLiteral("Variable %1 sin asignar").arg(QLatin1Char(letter)); }
QString Refused(const QString &name) { return QStringLiteral("Nombre de variable no permitido: ") + name; }

VarNames Names(const QStringList &list)
{
    VarNames names;
    for (int i = 0; i < 8; ++i)
        names[i] = list.value(i);
    return names;
}

// Names that differ from the position letters, so that a message naming a
// box by its letter cannot come from the name it held.
const VarNames kStart = Names({"p", "q", "r", "s", "t", "u", "v", "w"});

} // namespace

class TestNomVar : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void showingFillsFromNames();
    void refused_data();
    void refused();
    void accepted_data();
    void accepted();
    void boxesTakeOneCharacter();
    void onlyOkCloses();
    void layout();

private:
    void SetBoxes(const QStringList &texts);
    QStringList Boxes() const;

    TNomVars *dialog = nullptr;
    VarNames names;
    prompts::Answers answers;
    QStringList messages;
};

void TestNomVar::initTestCase()
{
    SetUpApplication(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    answers.message = [this](const QString &text) { messages << text; };
}

void TestNomVar::init()
{
    names = kStart;
    messages.clear();
    prompts::SetAnswers(&answers);
    dialog = new TNomVars;
    dialog->NomVar = &names;
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
}

void TestNomVar::cleanup()
{
    prompts::SetAnswers(nullptr);
    delete dialog;
    dialog = nullptr;
}

void TestNomVar::SetBoxes(const QStringList &texts)
{
    for (int i = 0; i < 8; ++i)
        dialog->NameEdits[i]->setText(texts[i]);
}

QStringList TestNomVar::Boxes() const
{
    QStringList texts;
    for (QLineEdit *edit : dialog->NameEdits)
        texts << edit->text();
    return texts;
}

// Every showing refills labels and boxes from the names, discarding what
// was typed before; nothing else touches them.
void TestNomVar::showingFillsFromNames()
{
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(dialog->lblV[i]->text(), kStart[i]);
        QCOMPARE(dialog->NameEdits[i]->text(), kStart[i]);
    }
    SetBoxes({"x", "", "", "", "", "", "", "y"});
    dialog->hide();
    names = Names({"H", "G", "F", "E", "D", "C", "B", "A"});
    dialog->show();
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(dialog->lblV[i]->text(), names[i]);
        QCOMPARE(dialog->NameEdits[i]->text(), names[i]);
    }
    names[0] = QStringLiteral("z");
    dialog->FormShow();
    QCOMPARE(dialog->lblV[0]->text(), QStringLiteral("z"));
    QCOMPARE(dialog->NameEdits[0]->text(), QStringLiteral("z"));
}

void TestNomVar::refused_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("boxes 2 and 4 empty") << QStringList{"p", "q", "", "s", "", "u", "v", "w"}
                                         << QStringList{Unassigned('c'), Unassigned('e'), kRepeated};
    QTest::newRow("box 0 empty, named p") << QStringList{"", "q", "r", "s", "t", "u", "v", "w"}
                                          << QStringList{Unassigned('a')};
    QTest::newRow("box 7 empty") << QStringList{"p", "q", "r", "s", "t", "u", "v", ""}
                                 << QStringList{Unassigned('h')};
    // Each character just outside the letter ranges, and ones a Spanish
    // keyboard offers.
    for (const char *bad : {"0", "9", "_", " ", "ñ", "á", "Ñ", "@", "[", "`", "{"})
        QTest::addRow("refused \"%s\"", bad)
            << QStringList{"p", "q", "r", bad, "t", "u", "v", "w"} << QStringList{Refused(QString::fromUtf8(bad))};
    QTest::newRow("same letter in three boxes") << QStringList{"p", "x", "x", "s", "t", "u", "x", "w"}
                                                << QStringList{kRepeated, kRepeated, kRepeated};
    QTest::newRow("two pairs") << QStringList{"a", "b", "a", "c", "d", "b", "e", "f"}
                               << QStringList{kRepeated, kRepeated};
    // The letter tests of all eight boxes come before any repeat, each fault
    // with its own message.
    QTest::newRow("faults of every kind") << QStringList{"", "1", "q", "q", "1", "u", "v", "w"}
                                          << QStringList{Unassigned('a'), Refused("1"), Refused("1"), kRepeated,
                                                         kRepeated};
    QStringList allEmpty;
    for (char c = 'a'; c <= 'h'; ++c)
        allEmpty << Unassigned(c);
    for (int pair = 0; pair < 28; ++pair)
        allEmpty << kRepeated;
    QTest::newRow("all empty") << QStringList(8, QString()) << allEmpty;
}

// A refused set shows every fault in order, stores nothing and leaves the
// dialog open with the texts as typed; correcting it then succeeds.
void TestNomVar::refused()
{
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, expected);

    SetBoxes(boxes);
    QTest::mouseClick(dialog->bbNomOk, Qt::LeftButton);
    QCOMPARE(messages, expected);
    QVERIFY(names == kStart);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(Boxes(), boxes);

    messages.clear();
    SetBoxes({"a", "b", "c", "d", "e", "f", "g", "h"});
    dialog->bbNomOkClick();
    QCOMPARE(messages, QStringList());
    QVERIFY(names == DefaultNomVar());
    QVERIFY(!dialog->isVisible());
}

void TestNomVar::accepted_data()
{
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("unchanged") << QStringList{"p", "q", "r", "s", "t", "u", "v", "w"};
    QTest::newRow("a and A together") << QStringList{"a", "A", "b", "B", "c", "C", "d", "D"};
    QTest::newRow("ends of the ranges") << QStringList{"A", "Z", "a", "z", "M", "m", "N", "n"};
}

// A valid set is stored in all eight names and closes the dialog accepted.
void TestNomVar::accepted()
{
    QFETCH(QStringList, boxes);

    SetBoxes(boxes);
    QTest::mouseClick(dialog->bbNomOk, Qt::LeftButton);
    QCOMPARE(messages, QStringList());
    QVERIFY(names == Names(boxes));
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(!dialog->isVisible());
}

// Typing a second character into a box keeps the first only.
void TestNomVar::boxesTakeOneCharacter()
{
    for (QLineEdit *edit : dialog->NameEdits) {
        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("xy"));
        QCOMPARE(edit->text(), QStringLiteral("x"));
    }
}

// Run modally as the program runs it: Escape and a close request leave it
// open, and the Ok of a valid set ends it accepted.
void TestNomVar::onlyOkCloses()
{
    dialog->hide();
    bool stillOpen = false;
    QTimer::singleShot(0, dialog, [&] {
        QTest::keyClick(dialog->NameEdits[3], Qt::Key_Escape);
        QTest::keyClick(dialog, Qt::Key_Escape);
        dialog->reject();
        const bool closed = dialog->close();
        stillOpen = !closed && dialog->isVisible() && dialog->result() == QDialog::Rejected;
        QTest::mouseClick(dialog->bbNomOk, Qt::LeftButton);
    });
    // Ends a dialog that closed too early, or never, instead of hanging.
    QTimer::singleShot(5000, dialog, [&] { dialog->done(-1); });
    const int result = dialog->exec();
    QVERIFY(stillOpen);
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(names == kStart);
    QCOMPARE(messages, QStringList());
}

void TestNomVar::layout()
{
    QCOMPARE(dialog->windowTitle(), QString());
    QCOMPARE(dialog->minimumSize(), QSize(130, 250));
    QCOMPARE(dialog->maximumSize(), QSize(130, 250));
    const Qt::WindowFlags flags = dialog->windowFlags();
    for (Qt::WindowType button : {Qt::WindowSystemMenuHint, Qt::WindowCloseButtonHint, Qt::WindowMinimizeButtonHint,
                                  Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
        QVERIFY(!flags.testFlag(button));

    QCOMPARE(dialog->Label1->geometry(), QRect(12, 4, 106, 25));
    QCOMPARE(dialog->lblV[5]->geometry(), QRect(28, 34 + 22 * 5, 12, 21));
    QCOMPARE(dialog->lblV[5]->objectName(), QStringLiteral("lblVf"));
    QCOMPARE(dialog->Arrows[7]->geometry(), QRect(52, 36 + 22 * 7, 16, 20));
    QCOMPARE(dialog->NameEdits[7]->geometry(), QRect(76, 36 + 22 * 7, 25, 21));
    QCOMPARE(dialog->bbNomOk->geometry(), QRect(28, 216, 75, 29));

    // No text is cut off at its label's edge, whatever the installed fonts.
    QList<QLabel *> labels{dialog->Label1, dialog->Arrows[0]};
    names = Names({"W", "m", "M", "w", "g", "j", "Q", "y"});
    dialog->FormShow();
    for (QLabel *label : dialog->lblV)
        labels << label;
    for (QLabel *label : labels) {
        const QFontMetrics metrics(label->font());
        QVERIFY2(metrics.horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
        QVERIFY2(metrics.boundingRect(label->text()).right() < label->width(), qPrintable(label->text()));
    }

    // The Ok button heads the tab order, then the boxes in order.
    QList<QWidget *> order;
    for (QWidget *w = dialog->bbNomOk->nextInFocusChain(); w != dialog->bbNomOk; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            order << w;
    QCOMPARE(order, QList<QWidget *>(dialog->NameEdits.begin(), dialog->NameEdits.end()));

    // The tick is red, and grey when the button is disabled.
    const auto hasRed = [](const QImage &image) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() > 128 && c.red() >= 180 && c.green() <= 80 && c.blue() <= 80)
                    return true;
            }
        return false;
    };
    QVERIFY(hasRed(dialog->bbNomOk->grab().toImage()));
    dialog->bbNomOk->setEnabled(false);
    QVERIFY(!hasRed(dialog->bbNomOk->grab().toImage()));
}

QTEST_MAIN(TestNomVar)
#include "tst_nomvar.moc"
