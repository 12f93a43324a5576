#pragma once
// Waiting for a started copy of the program to report on its standard error.
#include <QByteArray>
#include <QProcess>
#include <QTest>

namespace qttest {

// Collects the program's standard error into `said` until it holds `line` or
// the program ends; true when the line came.
inline bool WaitForLine(QProcess& p, QByteArray& said, const char* line, int ms = 20000) {
    QTest::qWaitFor(
        [&] {
            said += p.readAllStandardError();
            return said.contains(line) || p.state() != QProcess::Running;
        },
        ms);
    said += p.readAllStandardError();
    return said.contains(line);
}

}  // namespace qttest
