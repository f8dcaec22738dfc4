#pragma once

#include "base/Program.h"

namespace pusla {

/// The running program on QApplication.
class QtProgram final : public Program
{
public:
    explicit QtProgram(QString folder);

    QString folder() const override { return m_folder; }
    QString exeName() const override;
    QSize screenSize() const override;
    void endAtOnce() override;
    bool hasEnded() const override { return m_ended; }
    void doEvents() override;
    bool isCtrlDown() const override;

private:
    QString m_folder;
    bool m_ended = false;
};

} // namespace pusla
