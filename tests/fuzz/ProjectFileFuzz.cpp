// Reads arbitrary bytes as a project file: reading must fail cleanly or succeed, and what
// was read must link, write back and read again. A file that reads is then worked on the way
// the windows would show it (lists, compile, dump, CSV), so every number it carries reaches
// the arithmetic that uses it.
#include "document/TarnDoc.h"
#include "export/CsvExport.h"
#include "gateway/ZAVGateway.h"
#include "gateway/dump/ConfigDump.h"
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

void workOn(quillan::TarnDoc& doc)
{
    quillan::ListRows rows;
    for (const auto& node : doc.nodes()) {
        node->fillInfoList(rows);
        auto* gateway = dynamic_cast<quillan::ZAVGateway*>(node.get());
        if (gateway == nullptr) {
            continue;
        }
        for (const auto& child : gateway->childModules()) {
            if (child) {
                child->fillInfoList(rows);
            }
        }
        (void)gateway->noticeToShow(gateway->fillImportList());
        (void)gateway->noticeToShow(gateway->fillExportList());
        (void)gateway->noticeToShow(gateway->fillOutputList());
        (void)gateway->noticeToShow(gateway->fillModbusMapList());
        const quillan::CompiledImage compiled = gateway->compileImage();
        (void)quillan::dumpText(compiled.image, 12);
    }
    (void)quillan::csvText(doc);
}

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
    workOn(doc);
    return 0;
}
