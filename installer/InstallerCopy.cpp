#include "InstallerCopy.h"

#include <algorithm>
#include <array>

#include "suite/Identity.h"
#include "suite/Languages.h"

namespace installer {
namespace {

// One language's texts; the composed ones are put together in installerCopy.
struct Texts {
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

constexpr Texts english{
    .installTitle = "Install Ferrolin",
    .updateTitle = "Update Ferrolin",
    .installFirstLine = "This installs Ferrolin for your user account.",
    .updateFirstLine = "This updates Ferrolin for your user account.",
    .secondLine =
        "Use the launcher in Applications to start quickly, then use your configured global "
        "shortcut to show or hide Ferrolin.",
    .installPrimary = "Install and Start at Login",
    .updatePrimary = "Update Current Version",
    .installOnly = "Install Only",
    .cancel = "Cancel",
    .onboardingHeadline = "What You Get",
    .onboardingSteps = {"Launcher added to ~/Applications/Ferrolin.app",
                        "Main app stored in ~/Library/Application Support/Ferrolin",
                        "Optional auto-start at login for faster access"},
    .displayLanguageLabel = "Display language",
    .continueButton = "Continue",
    .quickStartTitle = "Quick Start",
    .quickStartBody = "Open Ferrolin from Applications, then verify your shortcut in Settings.",
    .quickStartHeadline = "Shortcut Setup",
    .quickStartSteps = {"Launch Ferrolin once after install",
                        "Open Settings and confirm your global shortcut",
                        "Test show/hide from another app"},
    .quickStartTip =
        "Tip: keep the launcher enabled at login for immediate shortcut availability after "
        "sign-in.",
    .progressInstalling = "Installing Ferrolin...",
    .progressUpdating = "Updating Ferrolin...",
    .progressClosing = "Closing running Ferrolin instances...",
    .progressPreparing = "Preparing installation folders...",
    .progressInstallingApp = "Installing Ferrolin app...",
    .progressInstallingLauncher = "Installing launcher...",
    .progressConfiguringStartup = "Configuring startup...",
    .progressFinishing = "Finishing up...",
    .progressHint = "Please keep this window open during installation.",
    .installFailedTitle = "Install failed",
    .installerCouldNotStartMessage = "The installer could not start.",
    .missingResourcesMessage = "Could not find installer resources.",
    .missingPrefix = "Could not find ",
    .missingSuffix = ".app inside this installer.",
    .startupErrorTitle = "Installed with a startup error",
    .languageSaveFailedMessage = "Installed app files but could not save language preference:",
    .installSuccessTitle = "Ferrolin installed",
    .updateSuccessTitle = "Ferrolin updated",
    .installSuccessMessage = "The Ferrolin launcher was installed in your Applications folder.",
    .updateSuccessMessage = "Ferrolin was updated successfully.",
    .launchctlErrorMessage = "launchctl failed while configuring startup.",
    .imagePlaceholderHint = "Image placeholder: add {imageName} to installer resources.",
};

constexpr Texts french{
    .installTitle = "Installer Ferrolin",
    .updateTitle = "Mettre à jour Ferrolin",
    .installFirstLine = "Cette action installe Ferrolin pour votre compte utilisateur.",
    .updateFirstLine = "Cette action met à jour Ferrolin pour votre compte utilisateur.",
    .secondLine =
        "Utilisez le lanceur dans Applications, puis votre raccourci global pour afficher ou "
        "masquer Ferrolin.",
    .installPrimary = "Installer et lancer au démarrage",
    .updatePrimary = "Mettre à jour la version actuelle",
    .installOnly = "Installer uniquement",
    .cancel = "Annuler",
    .onboardingHeadline = "Ce que vous obtenez",
    .onboardingSteps = {"Lanceur ajouté à ~/Applications/Ferrolin.app",
                        "App principale dans ~/Library/Application Support/Ferrolin",
                        "Démarrage automatique en option"},
    .displayLanguageLabel = "Langue d\u2019affichage",
    .continueButton = "Continuer",
    .quickStartTitle = "Démarrage rapide",
    .quickStartBody =
        "Ouvrez Ferrolin depuis Applications, puis vérifiez votre raccourci dans Réglages.",
    .quickStartHeadline = "Configuration du raccourci",
    .quickStartSteps = {"Lancez Ferrolin une fois après l\u2019installation",
                        "Ouvrez Réglages et confirmez votre raccourci global",
                        "Testez l\u2019affichage/masquage depuis une autre app"},
    .quickStartTip =
        "Astuce : gardez le lanceur activé au démarrage pour un raccourci immédiatement disponible "
        "après connexion.",
    .progressInstalling = "Installation de Ferrolin...",
    .progressUpdating = "Mise à jour de Ferrolin...",
    .progressClosing = "Fermeture des instances Ferrolin en cours...",
    .progressPreparing = "Préparation des dossiers d\u2019installation...",
    .progressInstallingApp = "Installation de l\u2019application Ferrolin...",
    .progressInstallingLauncher = "Installation du lanceur...",
    .progressConfiguringStartup = "Configuration du démarrage...",
    .progressFinishing = "Finalisation...",
    .progressHint = "Veuillez laisser cette fenêtre ouverte pendant l\u2019installation.",
    .installFailedTitle = "Échec de l\u2019installation",
    .installerCouldNotStartMessage = "L\u2019installateur n\u2019a pas pu démarrer.",
    .missingResourcesMessage = "Ressources d\u2019installation introuvables.",
    .missingPrefix = "",
    .missingSuffix = ".app est introuvable dans cet installateur.",
    .startupErrorTitle = "Installé avec une erreur de démarrage",
    .languageSaveFailedMessage =
        "Les fichiers ont été installés mais la langue n\u2019a pas pu être enregistrée :",
    .installSuccessTitle = "Ferrolin installé",
    .updateSuccessTitle = "Ferrolin mis à jour",
    .installSuccessMessage = "Le lanceur Ferrolin a été installé dans votre dossier Applications.",
    .updateSuccessMessage = "Ferrolin a été mis à jour avec succès.",
    .launchctlErrorMessage = "launchctl a échoué lors de la configuration du démarrage.",
    .imagePlaceholderHint =
        "Espace réservé d\u2019image : ajoutez {imageName} aux ressources de l\u2019installateur.",
};

constexpr Texts spanish{
    .installTitle = "Instalar Ferrolin",
    .updateTitle = "Actualizar Ferrolin",
    .installFirstLine = "Esto instala Ferrolin para tu cuenta de usuario.",
    .updateFirstLine = "Esto actualiza Ferrolin para tu cuenta de usuario.",
    .secondLine =
        "Usa el lanzador en Applications y luego tu atajo global para mostrar u ocultar Ferrolin.",
    .installPrimary = "Instalar e iniciar al arrancar",
    .updatePrimary = "Actualizar versión actual",
    .installOnly = "Solo instalar",
    .cancel = "Cancelar",
    .onboardingHeadline = "Qué incluye",
    .onboardingSteps = {"Lanzador en ~/Applications/Ferrolin.app",
                        "App principal en ~/Library/Application Support/Ferrolin",
                        "Inicio automático opcional"},
    .displayLanguageLabel = "Idioma de la interfaz",
    .continueButton = "Continuar",
    .quickStartTitle = "Inicio rápido",
    .quickStartBody = "Abre Ferrolin desde Applications y verifica tu atajo en Configuración.",
    .quickStartHeadline = "Configuración del atajo",
    .quickStartSteps = {"Inicia Ferrolin una vez tras instalar",
                        "Abre Configuración y confirma tu atajo global",
                        "Prueba mostrar/ocultar desde otra app"},
    .quickStartTip =
        "Consejo: mantén el lanzador activo al iniciar sesión para tener el atajo disponible al "
        "momento.",
    .progressInstalling = "Instalando Ferrolin...",
    .progressUpdating = "Actualizando Ferrolin...",
    .progressClosing = "Cerrando instancias en ejecución de Ferrolin...",
    .progressPreparing = "Preparando carpetas de instalación...",
    .progressInstallingApp = "Instalando la app de Ferrolin...",
    .progressInstallingLauncher = "Instalando el lanzador...",
    .progressConfiguringStartup = "Configurando inicio automático...",
    .progressFinishing = "Finalizando...",
    .progressHint = "Mantén esta ventana abierta durante la instalación.",
    .installFailedTitle = "Error de instalación",
    .installerCouldNotStartMessage = "No se pudo iniciar el instalador.",
    .missingResourcesMessage = "No se encontraron los recursos del instalador.",
    .missingPrefix = "No se encontró ",
    .missingSuffix = ".app dentro de este instalador.",
    .startupErrorTitle = "Instalado con error de inicio",
    .languageSaveFailedMessage = "Se instalaron los archivos, pero no se pudo guardar el idioma:",
    .installSuccessTitle = "Ferrolin instalado",
    .updateSuccessTitle = "Ferrolin actualizado",
    .installSuccessMessage = "El lanzador de Ferrolin se instaló en tu carpeta Applications.",
    .updateSuccessMessage = "Ferrolin se actualizó correctamente.",
    .launchctlErrorMessage = "launchctl falló al configurar el inicio automático.",
    .imagePlaceholderHint = "Marcador de imagen: agrega {imageName} a los recursos del instalador.",
};

constexpr Texts german{
    .installTitle = "Ferrolin installieren",
    .updateTitle = "Ferrolin aktualisieren",
    .installFirstLine = "Dies installiert Ferrolin für dein Benutzerkonto.",
    .updateFirstLine = "Dies aktualisiert Ferrolin für dein Benutzerkonto.",
    .secondLine =
        "Nutze den Launcher im Ordner Applications und dann dein globales Kürzel, um Ferrolin ein- "
        "oder auszublenden.",
    .installPrimary = "Installieren und beim Login starten",
    .updatePrimary = "Aktuelle Version aktualisieren",
    .installOnly = "Nur installieren",
    .cancel = "Abbrechen",
    .onboardingHeadline = "Was enthalten ist",
    .onboardingSteps = {"Launcher unter ~/Applications/Ferrolin.app",
                        "Haupt-App unter ~/Library/Application Support/Ferrolin",
                        "Optionaler Autostart beim Login"},
    .displayLanguageLabel = "Anzeigesprache",
    .continueButton = "Weiter",
    .quickStartTitle = "Schnellstart",
    .quickStartBody =
        "Öffne Ferrolin aus Applications und prüfe dann dein Kürzel in den Einstellungen.",
    .quickStartHeadline = "Kürzel einrichten",
    .quickStartSteps = {"Starte Ferrolin nach der Installation einmal",
                        "Öffne Einstellungen und bestätige dein globales Kürzel",
                        "Teste Ein-/Ausblenden aus einer anderen App"},
    .quickStartTip =
        "Tipp: Lass den Launcher beim Login aktiv, damit das Kürzel sofort nach der Anmeldung "
        "verfügbar ist.",
    .progressInstalling = "Ferrolin wird installiert...",
    .progressUpdating = "Ferrolin wird aktualisiert...",
    .progressClosing = "Laufende Ferrolin-Instanzen werden beendet...",
    .progressPreparing = "Installationsordner werden vorbereitet...",
    .progressInstallingApp = "Ferrolin-App wird installiert...",
    .progressInstallingLauncher = "Launcher wird installiert...",
    .progressConfiguringStartup = "Autostart wird konfiguriert...",
    .progressFinishing = "Abschließen...",
    .progressHint = "Bitte lasse dieses Fenster während der Installation geöffnet.",
    .installFailedTitle = "Installation fehlgeschlagen",
    .installerCouldNotStartMessage = "Der Installer konnte nicht gestartet werden.",
    .missingResourcesMessage = "Installationsressourcen konnten nicht gefunden werden.",
    .missingPrefix = "",
    .missingSuffix = ".app wurde in diesem Installer nicht gefunden.",
    .startupErrorTitle = "Installiert mit Startfehler",
    .languageSaveFailedMessage =
        "Die App-Dateien wurden installiert, aber die Sprache konnte nicht gespeichert werden:",
    .installSuccessTitle = "Ferrolin installiert",
    .updateSuccessTitle = "Ferrolin aktualisiert",
    .installSuccessMessage = "Der Ferrolin-Launcher wurde im Applications-Ordner installiert.",
    .updateSuccessMessage = "Ferrolin wurde erfolgreich aktualisiert.",
    .launchctlErrorMessage = "launchctl ist beim Konfigurieren des Autostarts fehlgeschlagen.",
    .imagePlaceholderHint = "Bildplatzhalter: Füge {imageName} zu den Installer-Ressourcen hinzu.",
};

constexpr suite::Translations<Texts> translations{{
    {.language = "en", .texts = english},
    {.language = "fr", .texts = french},
    {.language = "es", .texts = spanish},
    {.language = "de", .texts = german},
}};
static_assert(suite::followsLanguages(translations));

std::vector<std::string> list(const std::array<const char*, 3>& texts) {
  return {texts.begin(), texts.end()};
}

}  // namespace

InstallerCopy installerCopy(std::string_view languageCode, bool isInstalled) {
  const Texts& t = suite::textsIn(translations, languageCode);
  return {
      .title = isInstalled ? t.updateTitle : t.installTitle,
      .body =
          std::string(isInstalled ? t.updateFirstLine : t.installFirstLine) + "\n" + t.secondLine,
      .primaryButton = isInstalled ? t.updatePrimary : t.installPrimary,
      .secondaryButton = isInstalled ? t.cancel : t.installOnly,
      .tertiaryButton = isInstalled ? std::nullopt : std::optional<std::string>(t.cancel),
      .onboardingHeadline = t.onboardingHeadline,
      .onboardingSteps = list(t.onboardingSteps),
      .displayLanguageLabel = t.displayLanguageLabel,
      .okButton = "OK",
      .continueButton = t.continueButton,
      .quickStartTitle = t.quickStartTitle,
      .quickStartBody = t.quickStartBody,
      .quickStartHeadline = t.quickStartHeadline,
      .quickStartSteps = list(t.quickStartSteps),
      .quickStartTip = t.quickStartTip,
      .progressInstalling = t.progressInstalling,
      .progressUpdating = t.progressUpdating,
      .progressClosing = t.progressClosing,
      .progressPreparing = t.progressPreparing,
      .progressInstallingApp = t.progressInstallingApp,
      .progressInstallingLauncher = t.progressInstallingLauncher,
      .progressConfiguringStartup = t.progressConfiguringStartup,
      .progressFinishing = t.progressFinishing,
      .progressHint = t.progressHint,
      .installFailedTitle = t.installFailedTitle,
      .installerCouldNotStartMessage = t.installerCouldNotStartMessage,
      .missingResourcesMessage = t.missingResourcesMessage,
      .missingAppMessage =
          std::string(t.missingPrefix) + std::string(suite::productName) + t.missingSuffix,
      .missingLauncherMessage =
          std::string(t.missingPrefix) + std::string(suite::launcherBundleName) + t.missingSuffix,
      .startupErrorTitle = t.startupErrorTitle,
      .languageSaveFailedMessage = t.languageSaveFailedMessage,
      .installSuccessTitle = t.installSuccessTitle,
      .updateSuccessTitle = t.updateSuccessTitle,
      .installSuccessMessage = t.installSuccessMessage,
      .updateSuccessMessage = t.updateSuccessMessage,
      .launchctlErrorMessage = t.launchctlErrorMessage,
      .imagePlaceholderHint = t.imagePlaceholderHint,
  };
}

std::string defaultLanguageCode(const std::vector<std::string>& preferredLanguages) {
  std::string tag = preferredLanguages.empty() ? "en" : preferredLanguages.front();
  std::ranges::replace(tag, '_', '-');
  const std::string code = tag.substr(0, tag.find('-'));
  return suite::languageIndex(code) ? code : "en";
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
