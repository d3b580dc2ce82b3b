#pragma once

#include <QString>

// The web pages the program opens in the user's browser, and the default page address.
namespace WebPages {
QString help();                // the maker's help page
QString donate();              // its donation section
QString portalHome();          // the affiliate portal's home page
QString portalApiSettings();   // where the portal issues the API key
QString portalTrackingIds();   // where the portal manages tracking IDs
QString openPlatformConsole(); // where the Open Platform issues App Key and App Secret
QString defaultPageAddress();  // the marketplace's Russian home page
} // namespace WebPages
