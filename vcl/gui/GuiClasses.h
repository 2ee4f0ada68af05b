// What form definitions may say about the GUI classes: registers the class names, the published
// properties and events of the controls, forms, actions and image lists (and of the objects they hold:
// Font, Constraints, Margins, Padding) with the definition reader. Called once at start-up, before the
// first form is made; a program's own form classes are registered after it, with TForm as parent:
//   RegisterStreamedClass<TfrmMain, TForm>("TfrmMain");
#pragma once

void RegisterGuiClasses();
