// A stand-in for a start of the program, for the single-instance tests: claims the runtime
// folder given as its argument and prints what happened. As the running copy it waits for
// one request to come forward (or ten seconds); as a second copy it sends that request.
#include "shell/MPrevInst.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    MPrevInst instance(QString::fromLocal8Bit(argv[1]));
    switch (instance.claim()) {
    case MPrevInst::Claim::First:
        std::printf("first\n");
        std::fflush(stdout);
        QObject::connect(&instance, &MPrevInst::activationRequested, &app,
                         [](const QByteArray& token) {
                             std::printf("activated %s\n", token.constData());
                             QCoreApplication::quit();
                         });
        QTimer::singleShot(10000, &app, &QCoreApplication::quit);
        return QCoreApplication::exec();
    case MPrevInst::Claim::Another:
        std::printf("another %s\n",
                    instance.ActivatePrevInstance("from-second") ? "asked" : "unanswered");
        return 0;
    case MPrevInst::Claim::Failed:
        std::printf("failed\n");
        return 1;
    }
    return 2;
}
