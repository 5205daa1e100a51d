// The models the owner added ("Own=1"): an update keeps them.
#pragma once

#include <string>
#include <vector>

// Adds to the downloaded edition `body` each of the owner's own models that
// the model file lists and the edition lacks, after the edition's models and
// still marked as the owner's. An edition model with the same CRC-32 takes
// the place of the owner's, and the note names those of the owner's files
// that the edition names otherwise, for the owner to rename; one with the
// same name but other firmware leaves the owner's a name of its own.
// `models` (the edition's list) gets the names kept; `note` says, line by
// line, what became of each. The edition's own marks ("Own=1") are dropped
// first: only this folder's owner adds models. Returns the
// warning that refuses the edition when a kept model and the edition's
// models name one file in roles that clash; empty otherwise.
std::string keepOwnModels(std::string& body, std::vector<std::string>& models, std::string& note);
