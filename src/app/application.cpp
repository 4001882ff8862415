#include "app/application.h"

#include "explorer/prompts.h"
#include "image/messages.h"

#include <cstdio>
#include <new>

namespace marlin::app {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        // What failed has been unwound and freed, so there is room to say so.
        const std::string text = image::MessageText({image::RefusalCode::NotEnoughMemory, {}, {}});
        std::fprintf(stderr, "%s\n", text.c_str());
        if (m_prompts)
            m_prompts->Message(activeWindow(), QString::fromStdString(text), explorer::MessageIcon::Exclamation);
        return true;
    }
}

} // namespace marlin::app
