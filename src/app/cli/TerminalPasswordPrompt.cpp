#include "TerminalPasswordPrompt.h"

#include <cstdio>
#include <termios.h>
#include <unistd.h>

bool TerminalPasswordPrompt::ask(QString &password)
{
    if (!isatty(STDIN_FILENO))
        return false;
    std::fputs("The terminal refused the password.\nTerminal password (empty to give up): ", stderr);
    std::fflush(stderr);
    termios saved {};
    const bool haveTermios = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (haveTermios) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    char line[256];
    const bool got = std::fgets(line, sizeof line, stdin) != nullptr;
    if (haveTermios)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!got) {
        std::fputc('\n', stderr);
        return false;
    }
    QString typed = QString::fromLocal8Bit(line);
    while (typed.endsWith(QLatin1Char('\n')) || typed.endsWith(QLatin1Char('\r')))
        typed.chop(1);
    if (typed.isEmpty())
        return false;
    password = typed;
    return true;
}
