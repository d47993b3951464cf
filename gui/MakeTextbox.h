#pragma once

#include <memory>

class Dialogs;
class clsTextbox;
struct ConfigItem;

// The field for `item`, of the class its kind asks for; its control is made by Create(). `item`
// and `dialogs` (which a file or folder field picks its paths through) must outlive the field.
std::unique_ptr<clsTextbox> MakeTextbox(const ConfigItem& item, Dialogs& dialogs);
