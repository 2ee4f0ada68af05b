// What form definitions may say about the data-aware controls: registers TDBGrid (with its columns
// and their titles) and TDBMemo with the definition reader. RegisterGuiClasses calls it.
#pragma once

void RegisterDBControlClasses();
