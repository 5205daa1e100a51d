// The names a model file gives the firmware files of its models, checked
// against one another and against what Windows can hold. The patch run, the
// check of a downloaded edition and the adding of a model all use this one
// rule, so that no model can be made to overwrite another's firmware.
#pragma once

#include <string>
#include <vector>

// One model's section: its name, its pristine copy ("org") and its working
// file ("rgn"), as the model file gives them (empty when not given).
struct ModelFirmwareNames {
    std::string model;
    std::string org;
    std::string rgn;
};

enum class NameMatch {
    ByName,          // names that differ only in letter case, separators or "." parts are one file
    ByNameAndOnDisk, // and so are names that the file system leads to one file (links)
};

// Why the firmware names of `models` cannot be used, in words that name
// both models of a clash; empty when they can. A clash: two models with
// one pristine copy, or a model whose pristine copy is another's working
// file (either way round). A name that Windows cannot hold is refused too:
// a part that is a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to
// LPT9, with or without an extension, in any letter case) or that ends in a
// dot or a blank. With `concerning` (an index into `models`) only that
// model's names and its clashes are looked at; -1 looks at all.
std::string firmwareNamesRefusal(const std::vector<ModelFirmwareNames>& models, NameMatch match,
                                 int concerning = -1);
