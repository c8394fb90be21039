// Every button and picture of the main window, found by its object name and
// clicked as a user would: each must lead to its own command, seen through
// the prompt it shows or the state it changes.
#include "about.h"
#include "main.h"
#include "nomvar.h"
#include "prompts.h"
#include "report.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

using namespace quintora;

class TestWiring : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everyControlRunsItsCommand_data();
    void everyControlRunsItsCommand();

private:
    std::unique_ptr<TForm1> f;
    std::unique_ptr<TAboutBox> about;
    std::unique_ptr<TNomVars> names;
    std::unique_ptr<TfrmReport> report;
    prompts::Answers answers;
    QStringList events;
};

void TestWiring::initTestCase()
{
    SetUpApplication(*qApp);
    answers.message = [this](const QString &text) { events << QStringLiteral("message: ") + text; };
    answers.openFile = [this](const QString &title) {
        events << QStringLiteral("open: ") + title;
        return QString();
    };
    answers.saveFile = [this](const QString &title) {
        events << QStringLiteral("save: ") + title;
        return QString();
    };
    answers.modal = [this](QDialog *dialog) {
        events << QStringLiteral("modal: ") + QString::fromLatin1(dialog->metaObject()->className());
        return int(QDialog::Accepted);
    };
    answers.preview = [this](QWidget *) { events << QStringLiteral("preview"); };
    prompts::SetAnswers(&answers);
}

void TestWiring::init()
{
    events.clear();
    f = std::make_unique<TForm1>();
    about = std::make_unique<TAboutBox>(f.get());
    names = std::make_unique<TNomVars>(f.get());
    report = std::make_unique<TfrmReport>(f.get());
    f->AboutBox = about.get();
    f->NomVars = names.get();
    f->frmReport = report.get();
    f->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.get()));
}

void TestWiring::cleanup()
{
    report.reset();
    names.reset();
    about.reset();
    f.reset();
}

// The control clicked, in a window fresh from start-up (unlocked, every row
// empty), and what follows: the first prompt shown, or a state read back.
void TestWiring::everyControlRunsItsCommand_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Abrir") << "sbAbrir" << "open: Abrir datos...";
    QTest::newRow("Guardar") << "sbSalvar" << "save: Salvar como...";
    QTest::newRow("Resolver") << "sbHazlo" << QString::fromUtf8("message: No hay ningún 1 y la solución sería 0.");
    QTest::newRow("Nom. Vars.") << "SpeedButton1" << "modal: quintora::TNomVars";
    QTest::newRow("Imprimir")
        << "sbPrint" << "message: Pueden haberse realizado cambios en datos, pulse Resolver antes de imprimir";
    QTest::newRow("about picture") << "Image4" << "modal: quintora::TAboutBox";
    QTest::newRow("Borrar") << "sbBorrar" << "state: values cleared";
    QTest::newRow("open padlock locks") << "Unlock" << "state: locked";
    QTest::newRow("mouse picture") << "Image1" << "state: insertion disabled";
    QTest::newRow("spinner up") << "udUno/up" << "state: 5 variables";
    QTest::newRow("spinner down") << "udUno/down" << "state: 3 variables";
    QTest::newRow("insert 0") << "rbPon0" << "state: inserts 0";
}

void TestWiring::everyControlRunsItsCommand()
{
    QFETCH(QString, control);
    QFETCH(QString, expected);
    f->WriteValue(0, QStringLiteral("  X"));
    const QStringList path = control.split(QLatin1Char('/'));
    auto *widget = f->findChild<QWidget *>(path[0]);
    QVERIFY2(widget && widget->isVisible(), qPrintable(control));
    if (path.size() > 1) {
        auto *spinner = qobject_cast<UpDown *>(widget);
        QVERIFY(spinner);
        widget = path[1] == QLatin1String("up") ? spinner->UpButton() : spinner->DownButton();
    }
    if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    else
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());

    if (expected.startsWith(QLatin1String("state: "))) {
        QVERIFY2(events.isEmpty(), qPrintable(events.join(QLatin1Char('|'))));
        const QString state = expected.mid(7);
        if (state == QLatin1String("values cleared"))
            QCOMPARE(f->sgVerdad->Cell(f->NumVar + 1, 1), QString());
        else if (state == QLatin1String("locked"))
            QVERIFY(f->Lock->isVisible() && !f->udUno->isEnabled());
        else if (state == QLatin1String("insertion disabled"))
            QVERIFY(!f->rbPon1->isEnabled() && f->Unlock->isVisible());
        else if (state.endsWith(QLatin1String(" variables")))
            QCOMPARE(f->NumVar, state.left(1).toInt());
        else if (state == QLatin1String("inserts 0"))
            QVERIFY(f->rbPon0->isChecked());
        else
            QFAIL(qPrintable(state));
        if (state != QLatin1String("values cleared") && !state.endsWith(QLatin1String(" variables")))
            QCOMPARE(f->sgVerdad->Cell(f->NumVar + 1, 1), QStringLiteral("  X"));
    } else {
        QVERIFY2(!events.isEmpty(), "nothing followed the click");
        QCOMPARE(events.first(), expected);
    }
}

QTEST_MAIN(TestWiring)
#include "tst_wiring.moc"
