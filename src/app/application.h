#pragma once
// The program's QApplication: an event whose work runs out of memory (a
// damaged entry claiming gigabytes, a view beyond what the machine holds)
// is refused with "Not Enough Memory" and the program goes on, instead of
// the exception leaving Qt's event loop and ending the program.

#include <QApplication>

namespace marlin::explorer {
class Prompts;
}

namespace marlin::app {

class Application final : public QApplication {
public:
    Application(int& argc, char** argv);
    // Where the refusal is shown (the explorer window's prompts); none
    // shows it on standard error only.
    void SetPrompts(explorer::Prompts* prompts) { m_prompts = prompts; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    explorer::Prompts* m_prompts = nullptr;
};

} // namespace marlin::app
