#include "LocalizedStrings.h"

namespace launcher {
namespace {

constexpr LocalizedStrings english{
    .windowTitle = "Ferrolin Launcher Settings",
    .launcherSettings = "Launcher Settings",
    .shortcut = "Shortcut",
    .shortcutHint = "Click then press your shortcut",
    .shortcutNotRegistered = "Not registered: in use or reserved",
    .startAtLogin = "Start Ferrolin at login",
    .language = "Language",
    .coverMonitor = "Cover Monitor",
    .update = "Update",
    .checkNow = "Check Now",
    .openDownloadPage = "Open Download Page",
    .apply = "Apply",
    .checkingForUpdates = "Checking for updates...",
    .upToDate = "You are up to date.",
    .updateFound = "Update found",
    .noUpdatesAvailable = "No updates available",
    .updateCheckFailed = "Could not check for updates",
    .applied = "Applied",
    .primaryDisplay = "Primary display",
    .displayPrefix = "Display",
};

constexpr LocalizedStrings french{
    .windowTitle = "Paramètres du lanceur Ferrolin",
    .launcherSettings = "Paramètres du lanceur",
    .shortcut = "Raccourci",
    .shortcutHint = "Cliquez puis appuyez sur votre raccourci",
    .shortcutNotRegistered = "Non enregistré : déjà pris ou réservé",
    .startAtLogin = "Démarrer Ferrolin à la connexion",
    .language = "Langue",
    .coverMonitor = "Écran de couverture",
    .update = "Mise à jour",
    .checkNow = "Vérifier",
    .openDownloadPage = "Ouvrir la page",
    .apply = "Appliquer",
    .checkingForUpdates = "Vérification des mises à jour...",
    .upToDate = "Vous êtes à jour.",
    .updateFound = "Mise à jour trouvée",
    .noUpdatesAvailable = "Aucune mise à jour disponible",
    .updateCheckFailed = "Impossible de vérifier les mises à jour",
    .applied = "Appliqué",
    .primaryDisplay = "Écran principal",
    .displayPrefix = "Écran",
};

constexpr LocalizedStrings spanish{
    .windowTitle = "Ajustes del lanzador de Ferrolin",
    .launcherSettings = "Ajustes del lanzador",
    .shortcut = "Atajo",
    .shortcutHint = "Haz clic y luego presiona tu atajo",
    .shortcutNotRegistered = "No registrado: en uso o reservado",
    .startAtLogin = "Iniciar Ferrolin al iniciar sesión",
    .language = "Idioma",
    .coverMonitor = "Monitor de cobertura",
    .update = "Actualización",
    .checkNow = "Comprobar",
    .openDownloadPage = "Abrir descargas",
    .apply = "Aplicar",
    .checkingForUpdates = "Buscando actualizaciones...",
    .upToDate = "Tu aplicación está actualizada.",
    .updateFound = "Actualización encontrada",
    .noUpdatesAvailable = "No hay actualizaciones disponibles",
    .updateCheckFailed = "No se pudo buscar actualizaciones",
    .applied = "Aplicado",
    .primaryDisplay = "Monitor principal",
    .displayPrefix = "Monitor",
};

constexpr LocalizedStrings german{
    .windowTitle = "Ferrolin-Launcher Einstellungen",
    .launcherSettings = "Launcher-Einstellungen",
    .shortcut = "Tastenkürzel",
    .shortcutHint = "Klicken und dann die Tastenkombination drücken",
    .shortcutNotRegistered = "Nicht registriert: belegt oder reserviert",
    .startAtLogin = "Ferrolin beim Anmelden starten",
    .language = "Sprache",
    .coverMonitor = "Abdeckmonitor",
    .update = "Update",
    .checkNow = "Jetzt prüfen",
    .openDownloadPage = "Download-Seite öffnen",
    .apply = "Anwenden",
    .checkingForUpdates = "Suche nach Updates...",
    .upToDate = "Die App ist auf dem neuesten Stand.",
    .updateFound = "Update gefunden",
    .noUpdatesAvailable = "Keine Updates verfügbar",
    .updateCheckFailed = "Suche nach Updates fehlgeschlagen",
    .applied = "Angewendet",
    .primaryDisplay = "Primärer Bildschirm",
    .displayPrefix = "Bildschirm",
};

constexpr suite::Translations<LocalizedStrings> sets{{
    {.language = "en", .texts = english},
    {.language = "fr", .texts = french},
    {.language = "es", .texts = spanish},
    {.language = "de", .texts = german},
}};
static_assert(suite::followsLanguages(sets));

}  // namespace

const suite::Translations<LocalizedStrings>& allLocalizedStrings() {
  return sets;
}

const LocalizedStrings& localizedStrings(std::string_view code) {
  return suite::textsIn(sets, code);
}

}  // namespace launcher
