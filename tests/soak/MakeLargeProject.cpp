// make-large-project PATH MEGABYTES: writes a project of about that size for the soak scripts.
#include "document/TarnDoc.h"
#include "model/UserPrompts.h"
#include "support/LargeProject.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3 || std::atof(argv[2]) <= 0) {
        std::fprintf(stderr, "usage: make-large-project PATH MEGABYTES\n");
        return 2;
    }
    quillan::NullNotificationSink sink;
    quillan::NullPrompts prompts;
    quillan::TarnDoc doc{sink, prompts};
    (void)quillan::test::growLargeProject(doc,
                                          static_cast<size_t>(std::atof(argv[2]) * 1'000'000));
    if (!doc.saveDocument(argv[1])) {
        std::fprintf(stderr, "make-large-project: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
