#include "InstallerCopy.h"

#include <algorithm>
#include <array>

#include "suite/Identity.h"

namespace installer {
namespace {

// One language's texts; the composed ones are put together in installerCopy.
struct Language {
  const char* code;
  const char* installTitle;
  const char* updateTitle;
  const char* installFirstLine;
  const char* updateFirstLine;
  const char* secondLine;
  const char* installPrimary;
  const char* updatePrimary;
  const char* installOnly;
  const char* cancel;
  const char* onboardingHeadline;
  std::array<const char*, 3> onboardingSteps;
  const char* displayLanguageLabel;
  const char* continueButton;
  const char* quickStartTitle;
  const char* quickStartBody;
  const char* quickStartHeadline;
  std::array<const char*, 3> quickStartSteps;
  const char* quickStartTip;
  const char* progressInstalling;
  const char* progressUpdating;
  const char* progressClosing;
  const char* progressPreparing;
  const char* progressInstallingApp;
  const char* progressInstallingLauncher;
  const char* progressConfiguringStartup;
  const char* progressFinishing;
  const char* progressHint;
  const char* installFailedTitle;
  const char* installerCouldNotStartMessage;
  const char* missingResourcesMessage;
  const char* missingPrefix;  // before the bundle's name in the two "missing" messages
  const char* missingSuffix;  // after it
  const char* startupErrorTitle;
  const char* languageSaveFailedMessage;
  const char* installSuccessTitle;
  const char* updateSuccessTitle;
  const char* installSuccessMessage;
  const char* updateSuccessMessage;
  const char* launchctlErrorMessage;
  const char* imagePlaceholderHint;
};

constexpr Language english{
    "en",
    "Install Ferrolin",
    "Update Ferrolin",
    "This installs Ferrolin for your user account.",
    "This updates Ferrolin for your user account.",
    "Use the launcher in Applications to start quickly, then use your configured global shortcut "
    "to show or hide Ferrolin.",
    "Install and Start at Login",
    "Update Current Version",
    "Install Only",
    "Cancel",
    "What You Get",
    {"Launcher added to ~/Applications/Ferrolin.app",
     "Main app stored in ~/Library/Application Support/Ferrolin",
     "Optional auto-start at login for faster access"},
    "Display language",
    "Continue",
    "Quick Start",
    "Open Ferrolin from Applications, then verify your shortcut in Settings.",
    "Shortcut Setup",
    {"Launch Ferrolin once after install", "Open Settings and confirm your global shortcut",
     "Test show/hide from another app"},
    "Tip: keep the launcher enabled at login for immediate shortcut availability after sign-in.",
    "Installing Ferrolin...",
    "Updating Ferrolin...",
    "Closing running Ferrolin instances...",
    "Preparing installation folders...",
    "Installing Ferrolin app...",
    "Installing launcher...",
    "Configuring startup...",
    "Finishing up...",
    "Please keep this window open during installation.",
    "Install failed",
    "The installer could not start.",
    "Could not find installer resources.",
    "Could not find ",
    ".app inside this installer.",
    "Installed with a startup error",
    "Installed app files but could not save language preference:",
    "Ferrolin installed",
    "Ferrolin updated",
    "The Ferrolin launcher was installed in your Applications folder.",
    "Ferrolin was updated successfully.",
    "launchctl failed while configuring startup.",
    "Image placeholder: add {imageName} to installer resources.",
};

constexpr Language french{
    "fr",
    "Installer Ferrolin",
    "Mettre à jour Ferrolin",
    "Cette action installe Ferrolin pour votre compte utilisateur.",
    "Cette action met à jour Ferrolin pour votre compte utilisateur.",
    "Utilisez le lanceur dans Applications, puis votre raccourci global pour afficher ou masquer "
    "Ferrolin.",
    "Installer et lancer au démarrage",
    "Mettre à jour la version actuelle",
    "Installer uniquement",
    "Annuler",
    "Ce que vous obtenez",
    {"Lanceur ajouté à ~/Applications/Ferrolin.app",
     "App principale dans ~/Library/Application Support/Ferrolin",
     "Démarrage automatique en option"},
    "Langue d\u2019affichage",
    "Continuer",
    "Démarrage rapide",
    "Ouvrez Ferrolin depuis Applications, puis vérifiez votre raccourci dans Réglages.",
    "Configuration du raccourci",
    {"Lancez Ferrolin une fois après l\u2019installation",
     "Ouvrez Réglages et confirmez votre raccourci global",
     "Testez l\u2019affichage/masquage depuis une autre app"},
    "Astuce : gardez le lanceur activé au démarrage pour un raccourci immédiatement disponible "
    "après connexion.",
    "Installation de Ferrolin...",
    "Mise à jour de Ferrolin...",
    "Fermeture des instances Ferrolin en cours...",
    "Préparation des dossiers d\u2019installation...",
    "Installation de l\u2019application Ferrolin...",
    "Installation du lanceur...",
    "Configuration du démarrage...",
    "Finalisation...",
    "Veuillez laisser cette fenêtre ouverte pendant l\u2019installation.",
    "Échec de l\u2019installation",
    "L\u2019installateur n\u2019a pas pu démarrer.",
    "Ressources d\u2019installation introuvables.",
    "",
    ".app est introuvable dans cet installateur.",
    "Installé avec une erreur de démarrage",
    "Les fichiers ont été installés mais la langue n\u2019a pas pu être enregistrée :",
    "Ferrolin installé",
    "Ferrolin mis à jour",
    "Le lanceur Ferrolin a été installé dans votre dossier Applications.",
    "Ferrolin a été mis à jour avec succès.",
    "launchctl a échoué lors de la configuration du démarrage.",
    "Espace réservé d\u2019image : ajoutez {imageName} aux ressources de l\u2019installateur.",
};

constexpr Language spanish{
    "es",
    "Instalar Ferrolin",
    "Actualizar Ferrolin",
    "Esto instala Ferrolin para tu cuenta de usuario.",
    "Esto actualiza Ferrolin para tu cuenta de usuario.",
    "Usa el lanzador en Applications y luego tu atajo global para mostrar u ocultar Ferrolin.",
    "Instalar e iniciar al arrancar",
    "Actualizar versión actual",
    "Solo instalar",
    "Cancelar",
    "Qué incluye",
    {"Lanzador en ~/Applications/Ferrolin.app",
     "App principal en ~/Library/Application Support/Ferrolin", "Inicio automático opcional"},
    "Idioma de la interfaz",
    "Continuar",
    "Inicio rápido",
    "Abre Ferrolin desde Applications y verifica tu atajo en Configuración.",
    "Configuración del atajo",
    {"Inicia Ferrolin una vez tras instalar", "Abre Configuración y confirma tu atajo global",
     "Prueba mostrar/ocultar desde otra app"},
    "Consejo: mantén el lanzador activo al iniciar sesión para tener el atajo disponible al "
    "momento.",
    "Instalando Ferrolin...",
    "Actualizando Ferrolin...",
    "Cerrando instancias en ejecución de Ferrolin...",
    "Preparando carpetas de instalación...",
    "Instalando la app de Ferrolin...",
    "Instalando el lanzador...",
    "Configurando inicio automático...",
    "Finalizando...",
    "Mantén esta ventana abierta durante la instalación.",
    "Error de instalación",
    "No se pudo iniciar el instalador.",
    "No se encontraron los recursos del instalador.",
    "No se encontró ",
    ".app dentro de este instalador.",
    "Instalado con error de inicio",
    "Se instalaron los archivos, pero no se pudo guardar el idioma:",
    "Ferrolin instalado",
    "Ferrolin actualizado",
    "El lanzador de Ferrolin se instaló en tu carpeta Applications.",
    "Ferrolin se actualizó correctamente.",
    "launchctl falló al configurar el inicio automático.",
    "Marcador de imagen: agrega {imageName} a los recursos del instalador.",
};

constexpr Language german{
    "de",
    "Ferrolin installieren",
    "Ferrolin aktualisieren",
    "Dies installiert Ferrolin für dein Benutzerkonto.",
    "Dies aktualisiert Ferrolin für dein Benutzerkonto.",
    "Nutze den Launcher im Ordner Applications und dann dein globales Kürzel, um Ferrolin ein- "
    "oder auszublenden.",
    "Installieren und beim Login starten",
    "Aktuelle Version aktualisieren",
    "Nur installieren",
    "Abbrechen",
    "Was enthalten ist",
    {"Launcher unter ~/Applications/Ferrolin.app",
     "Haupt-App unter ~/Library/Application Support/Ferrolin", "Optionaler Autostart beim Login"},
    "Anzeigesprache",
    "Weiter",
    "Schnellstart",
    "Öffne Ferrolin aus Applications und prüfe dann dein Kürzel in den Einstellungen.",
    "Kürzel einrichten",
    {"Starte Ferrolin nach der Installation einmal",
     "Öffne Einstellungen und bestätige dein globales Kürzel",
     "Teste Ein-/Ausblenden aus einer anderen App"},
    "Tipp: Lass den Launcher beim Login aktiv, damit das Kürzel sofort nach der Anmeldung "
    "verfügbar ist.",
    "Ferrolin wird installiert...",
    "Ferrolin wird aktualisiert...",
    "Laufende Ferrolin-Instanzen werden beendet...",
    "Installationsordner werden vorbereitet...",
    "Ferrolin-App wird installiert...",
    "Launcher wird installiert...",
    "Autostart wird konfiguriert...",
    "Abschließen...",
    "Bitte lasse dieses Fenster während der Installation geöffnet.",
    "Installation fehlgeschlagen",
    "Der Installer konnte nicht gestartet werden.",
    "Installationsressourcen konnten nicht gefunden werden.",
    "",
    ".app wurde in diesem Installer nicht gefunden.",
    "Installiert mit Startfehler",
    "Die App-Dateien wurden installiert, aber die Sprache konnte nicht gespeichert werden:",
    "Ferrolin installiert",
    "Ferrolin aktualisiert",
    "Der Ferrolin-Launcher wurde im Applications-Ordner installiert.",
    "Ferrolin wurde erfolgreich aktualisiert.",
    "launchctl ist beim Konfigurieren des Autostarts fehlgeschlagen.",
    "Bildplatzhalter: Füge {imageName} zu den Installer-Ressourcen hinzu.",
};

constexpr std::array<const Language*, 4> languages = {&english, &french, &spanish, &german};

std::vector<std::string> list(const std::array<const char*, 3>& texts) {
  return {texts.begin(), texts.end()};
}

}  // namespace

InstallerCopy installerCopy(std::string_view languageCode, bool isInstalled) {
  const auto found = std::ranges::find_if(
      languages, [&](const Language* language) { return languageCode == language->code; });
  const Language& t = found != languages.end() ? **found : english;
  InstallerCopy copy;
  copy.title = isInstalled ? t.updateTitle : t.installTitle;
  copy.body =
      std::string(isInstalled ? t.updateFirstLine : t.installFirstLine) + "\n" + t.secondLine;
  copy.primaryButton = isInstalled ? t.updatePrimary : t.installPrimary;
  copy.secondaryButton = isInstalled ? t.cancel : t.installOnly;
  if (!isInstalled) {
    copy.tertiaryButton = t.cancel;
  }
  copy.onboardingHeadline = t.onboardingHeadline;
  copy.onboardingSteps = list(t.onboardingSteps);
  copy.displayLanguageLabel = t.displayLanguageLabel;
  copy.okButton = "OK";
  copy.continueButton = t.continueButton;
  copy.quickStartTitle = t.quickStartTitle;
  copy.quickStartBody = t.quickStartBody;
  copy.quickStartHeadline = t.quickStartHeadline;
  copy.quickStartSteps = list(t.quickStartSteps);
  copy.quickStartTip = t.quickStartTip;
  copy.progressInstalling = t.progressInstalling;
  copy.progressUpdating = t.progressUpdating;
  copy.progressClosing = t.progressClosing;
  copy.progressPreparing = t.progressPreparing;
  copy.progressInstallingApp = t.progressInstallingApp;
  copy.progressInstallingLauncher = t.progressInstallingLauncher;
  copy.progressConfiguringStartup = t.progressConfiguringStartup;
  copy.progressFinishing = t.progressFinishing;
  copy.progressHint = t.progressHint;
  copy.installFailedTitle = t.installFailedTitle;
  copy.installerCouldNotStartMessage = t.installerCouldNotStartMessage;
  copy.missingResourcesMessage = t.missingResourcesMessage;
  copy.missingAppMessage =
      std::string(t.missingPrefix) + std::string(suite::productName) + t.missingSuffix;
  copy.missingLauncherMessage =
      std::string(t.missingPrefix) + std::string(suite::launcherBundleName) + t.missingSuffix;
  copy.startupErrorTitle = t.startupErrorTitle;
  copy.languageSaveFailedMessage = t.languageSaveFailedMessage;
  copy.installSuccessTitle = t.installSuccessTitle;
  copy.updateSuccessTitle = t.updateSuccessTitle;
  copy.installSuccessMessage = t.installSuccessMessage;
  copy.updateSuccessMessage = t.updateSuccessMessage;
  copy.launchctlErrorMessage = t.launchctlErrorMessage;
  copy.imagePlaceholderHint = t.imagePlaceholderHint;
  return copy;
}

std::string defaultLanguageCode(const std::vector<std::string>& preferredLanguages) {
  std::string tag = preferredLanguages.empty() ? "en" : preferredLanguages.front();
  std::ranges::replace(tag, '_', '-');
  const std::string code = tag.substr(0, tag.find('-'));
  const bool supported = std::ranges::any_of(
      supportedLanguages(), [&](const auto& language) { return language.first == code; });
  return supported ? code : "en";
}

std::string withImageName(std::string text, std::string_view imageName) {
  constexpr std::string_view placeholder = "{imageName}";
  for (std::size_t at = text.find(placeholder); at != std::string::npos;
       at = text.find(placeholder, at + imageName.size())) {
    text.replace(at, placeholder.size(), imageName);
  }
  return text;
}

}  // namespace installer
