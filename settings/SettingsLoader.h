#pragma once

class Configuration;
class SettingsDocument;
class VariableValues;

// Puts the values of a loaded settings file into `values`. Each id that `config` declares takes
// the text of its first element in document order, and gives it to the item it addresses: the
// item of the same bare name. Where two such ids address one item ("$(HOST)" and "HOST"), the one
// whose first element comes later wins. Entries of ids the configuration does not declare are
// skipped, and items without an entry keep their value.
// REQUIRES: `values` are of `config`.
void PutSettingsInto(const SettingsDocument& settings, const Configuration& config,
                     VariableValues* values);
