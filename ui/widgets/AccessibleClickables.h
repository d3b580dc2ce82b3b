#pragma once

// Screen readers meet the program's own clickable widgets as what they act as: a picture that
// is clicked (ClickablePicture) as a button, a link label (LinkLabel) as a link, each with its
// press action. Installs itself once; called by both widgets' constructors.
void InstallAccessibleClickables();
