// Reads arbitrary bytes as a project file: reading must fail cleanly or succeed, and what
// was read must link, write back and read again.
#include "document/TarnDoc.h"
#include "model/Notifications.h"
#include "model/UserPrompts.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

class QuietPrompts final : public quillan::UserPrompts {
public:
    void message(quillan::MessageIcon, const std::string&, const std::string&) override {}
    quillan::MessageAnswer ask(quillan::MessageIcon, const std::string&, const std::string&,
                               quillan::MessageButtons) override
    {
        return quillan::MessageAnswer::cancel;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    quillan::NullNotificationSink sink;
    QuietPrompts prompts;
    quillan::TarnDoc doc(sink, prompts);
    doc.setSkipPathFixup(true);
    if (!doc.loadFromBytes(std::vector<uint8_t>(data, data + size))) {
        return 0;
    }
    doc.linkAfterLoad();
    const std::vector<uint8_t> written = doc.toBytes();
    quillan::TarnDoc again(sink, prompts);
    again.setSkipPathFixup(true);
    if (!again.loadFromBytes(written)) {
        std::abort(); // what we wrote must read back
    }
    again.linkAfterLoad();
    if (again.toBytes() != written) {
        std::abort();
    }
    return 0;
}
