#pragma once

bool AddTrayIconAndMenu();
void RestoreTrayIcon();
void RemoveTrayIconAndMenu();
