#pragma once
// Makes every framework class known to the form description reader, by the name a description
// gives it; the program and its tests call this once before reading descriptions.

void RegisterFrameworkClasses();
