// Speed of the string store and the language walk: creating CRes when the
// workspace has no Res.mdb (the file is written from the shipped texts),
// creating it over an existing Res.mdb, looking texts up, and applying a
// language to a window of 200 tagged controls (alternating English and
// Japanese, so that every application changes every text and font).
// Usage: bench_i18n [rounds]

#include "CRes.h"
#include "Settings.h"
#include "Workspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <cstdio>

namespace {

struct Figures
{
    QList<double> ms;
    void add(qint64 ns) { ms.append(ns / 1e6); }
    void print(const char *what) const
    {
        QList<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        double sum = 0;
        for (double v : sorted)
            sum += v;
        std::printf("%-44s median %8.3f ms   min %8.3f ms   mean %8.3f ms   (%lld runs)\n", what,
                    sorted.at(sorted.size() / 2), sorted.first(), sum / sorted.size(),
                    static_cast<long long>(sorted.size()));
    }
};

// 200 controls: labels, buttons, check boxes and group boxes, each tagged with
// a text number; every tenth is tagged UseDefault or UseDefault0.
QWidget *buildWindow(const QList<int> &numbers)
{
    auto *window = new QWidget;
    window->setProperty("tag", QStringLiteral("1"));
    auto *grid = new QGridLayout(window);
    for (int i = 0; i < 200; ++i) {
        QWidget *control = nullptr;
        switch (i % 4) {
        case 0: control = new QLabel(QStringLiteral("label")); break;
        case 1: control = new QPushButton(QStringLiteral("button")); break;
        case 2: control = new QCheckBox(QStringLiteral("check")); break;
        default: control = new QGroupBox(QStringLiteral("group")); break;
        }
        control->setObjectName(QStringLiteral("ctl%1").arg(i));
        const QString tag = i % 10 == 3 ? QStringLiteral("UseDefault")
            : i % 10 == 7              ? QStringLiteral("UseDefault0")
                                       : QString::number(numbers.at(i % numbers.size()));
        control->setProperty("tag", tag);
        grid->addWidget(control, i / 10, i % 10);
    }
    return window;
}

}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("config"));
    QDir(dir.path()).mkpath(QStringLiteral("ws"));
    Settings::setConfigFolder(dir.filePath(QStringLiteral("config")));
    Workspace::setCurrent(dir.filePath(QStringLiteral("ws")));

    Figures create, open, apply;
    QElapsedTimer clock;
    for (int i = 0; i < rounds; ++i) {
        QFile::remove(Workspace::resMdb());
        clock.start();
        CRes::instance();
        create.add(clock.nsecsElapsed());
        if (!CRes::instance().isOpen()) {
            std::fprintf(stderr, "the store did not open\n");
            return 1;
        }
        CRes::destroyInstance();

        clock.start();
        CRes::instance();
        open.add(clock.nsecsElapsed());
        CRes::destroyInstance();
    }

    CRes &res = CRes::instance();
    QList<int> numbers;
    for (int n = 1; n < 300; ++n)
        if (!res.ResString(n).isEmpty())
            numbers.append(n);

    const int lookups = 1000000;
    qsizetype characters = 0;
    clock.start();
    for (int i = 0; i < lookups; ++i)
        characters += res.ResString(numbers.at(i % numbers.size())).size();
    const double lookupNs = double(clock.nsecsElapsed()) / lookups;

    std::unique_ptr<QWidget> window(buildWindow(numbers));
    const QStringList languages = {QStringLiteral("English"), QStringLiteral("Japanese")};
    for (int i = 0; i < rounds * 5; ++i) {
        res.setLanguage(languages.at(i % 2));
        clock.start();
        res.SetFormInterface(window.get());
        apply.add(clock.nsecsElapsed());
    }

    std::printf("texts in the store: %lld numbers\n", static_cast<long long>(numbers.size()));
    create.print("CRes created, Res.mdb written from shipped:");
    open.print("CRes created over an existing Res.mdb:");
    std::printf("%-44s %8.1f ns per lookup (%d lookups, %lld characters)\n", "ResString:", lookupNs, lookups,
                static_cast<long long>(characters));
    apply.print("SetFormInterface, 200 tagged controls:");
    return 0;
}
