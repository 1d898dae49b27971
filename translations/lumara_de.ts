<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>lumara::ui::AnimatedExportSheet</name>
    <message>
        <source>MP4 Video</source>
        <translation>MP4-Video</translation>
    </message>
    <message>
        <source>H.264 video. Small, universal, opaque background.</source>
        <translation>H.264-Video. Klein, läuft überall, deckender Hintergrund.</translation>
    </message>
    <message>
        <source>Animated PNG</source>
        <translation>Animiertes PNG</translation>
    </message>
    <message>
        <source>Transparent, lossless, works in every modern browser.</source>
        <translation>Transparent, verlustfrei, läuft in jedem aktuellen Browser.</translation>
    </message>
    <message>
        <source>GIF</source>
        <translation>GIF</translation>
    </message>
    <message>
        <source>Universal, 256 colors, no soft transparency.</source>
        <translation>Läuft überall, 256 Farben, keine weiche Transparenz.</translation>
    </message>
    <message>
        <source>WebM Video</source>
        <translation>WebM-Video</translation>
    </message>
    <message>
        <source>Transparent video for the web.</source>
        <translation>Transparentes Video für das Web.</translation>
    </message>
    <message>
        <source>ProRes 4444</source>
        <translation>ProRes 4444</translation>
    </message>
    <message>
        <source>Transparent master for video editors.</source>
        <translation>Transparenter Master für den Videoschnitt.</translation>
    </message>
    <message>
        <source>Export Animation</source>
        <translation>Animation exportieren</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Format</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Hintergrund</translation>
    </message>
    <message>
        <source>Playback loop (all states)</source>
        <translation>Wiedergabeschleife (alle Zustände)</translation>
    </message>
    <message>
        <source>Every state in order, cross-faded back to the first, as the canvas plays them</source>
        <translation>Alle Zustände der Reihe nach und überblendet zurück zum ersten, wie die Arbeitsfläche sie abspielt</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Frame rate</source>
        <translation>Bildrate</translation>
    </message>
    <message>
        <source>Seamless loop</source>
        <translation>Nahtlose Schleife</translation>
    </message>
    <message>
        <source>Export progress</source>
        <translation>Exportfortschritt</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stoppen</translation>
    </message>
    <message>
        <source>Export…</source>
        <translation>Exportieren…</translation>
    </message>
    <message>
        <source>Export failed. Please try again.</source>
        <translation>Export fehlgeschlagen. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>%1 states × %2 s: the %3 s transition, then %4 s held</source>
        <translation>%1 Zustände × %2 s: %3 s Übergang, dann %4 s Standbild</translation>
    </message>
    <message>
        <source>%1 fps</source>
        <translation>%1 fps</translation>
    </message>
    <message>
        <source>Exporting %1 frames: %2%</source>
        <translation>%1 Bilder werden exportiert: %2 %</translation>
    </message>
</context>
<context>
    <name>lumara::ui::AnimationExportRunner</name>
    <message>
        <source>MPEG-4 movie (*.mp4)</source>
        <translation>MPEG-4-Film (*.mp4)</translation>
    </message>
    <message>
        <source>Animated PNG image (*.png)</source>
        <translation>Animiertes PNG-Bild (*.png)</translation>
    </message>
    <message>
        <source>GIF image (*.gif)</source>
        <translation>GIF-Bild (*.gif)</translation>
    </message>
    <message>
        <source>WebM video (*.webm)</source>
        <translation>WebM-Video (*.webm)</translation>
    </message>
    <message>
        <source>QuickTime movie (*.mov)</source>
        <translation>QuickTime-Film (*.mov)</translation>
    </message>
</context>
<context>
    <name>lumara::ui::ColorsSection</name>
    <message>
        <source>Gradient</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>Linear</source>
        <translation>Linear</translation>
    </message>
    <message>
        <source>Radial</source>
        <translation>Radial</translation>
    </message>
    <message>
        <source>Angular</source>
        <translation>Konisch</translation>
    </message>
    <message>
        <source>Angle</source>
        <translation>Winkel</translation>
    </message>
    <message>
        <source>Blur</source>
        <translation>Weichzeichner</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Farben</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Add color</source>
        <translation>Farbe hinzufügen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Remove color</source>
        <translation>Farbe entfernen</translation>
    </message>
    <message>
        <source>Glow</source>
        <translation>Leuchten</translation>
    </message>
    <message>
        <source>Color %1</source>
        <translation>Farbe %1</translation>
    </message>
</context>
<context>
    <name>lumara::ui::EffectsSection</name>
    <message>
        <source>Speed</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>Intensity</source>
        <translation>Intensität</translation>
    </message>
    <message>
        <source>Softness</source>
        <translation>Weichheit</translation>
    </message>
    <message>
        <source>Ring</source>
        <translation>Ring</translation>
    </message>
    <message>
        <source>Outer Glow</source>
        <translation>Schein nach außen</translation>
    </message>
    <message>
        <source>Edge Fade</source>
        <translation>Weiche Kante</translation>
    </message>
    <message>
        <source>Background</source>
        <translation>Hintergrund</translation>
    </message>
    <message>
        <source>Blobs</source>
        <translation>Blobs</translation>
    </message>
    <message>
        <source>Glow</source>
        <translation>Leuchten</translation>
    </message>
    <message>
        <source>Shadow</source>
        <translation>Schatten</translation>
    </message>
</context>
<context>
    <name>lumara::ui::ErrorBanner</name>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Dismiss</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::ExportFlows</name>
    <message>
        <source>Export status</source>
        <translation>Exportstatus</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stoppen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Exporting %1…</source>
        <translation>%1 wird exportiert…</translation>
    </message>
    <message>
        <source>Exported %1</source>
        <translation>%1 exportiert</translation>
    </message>
    <message>
        <source>Export stopped; %1 was not written</source>
        <translation>Export gestoppt; %1 wurde nicht geschrieben</translation>
    </message>
    <message>
        <source>Export failed. Please try again.</source>
        <translation>Export fehlgeschlagen. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Export Web Package</source>
        <translation>Web-Paket exportieren</translation>
    </message>
    <message>
        <source>Could not export the web package</source>
        <translation>Fehler beim Exportieren des Web-Pakets nach</translation>
    </message>
</context>
<context>
    <name>lumara::ui::ExportPreviewSheet</name>
    <message>
        <source>SwiftUI Export</source>
        <translation>SwiftUI-Export</translation>
    </message>
    <message>
        <source>HTML Export</source>
        <translation>HTML-Export</translation>
    </message>
    <message>
        <source>Prompt Export</source>
        <translation>Prompt-Export</translation>
    </message>
    <message>
        <source>Copy to Clipboard</source>
        <translation>In Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Save…</source>
        <translation>Speichern…</translation>
    </message>
    <message>
        <source>Copied!</source>
        <translation>Kopiert!</translation>
    </message>
</context>
<context>
    <name>lumara::ui::ExportSection</name>
    <message>
        <source>SwiftUI Code</source>
        <translation>SwiftUI-Code</translation>
    </message>
    <message>
        <source>Copy-paste ready view code</source>
        <translation>View-Code zum direkten Einfügen</translation>
    </message>
    <message>
        <source>HTML</source>
        <translation>HTML</translation>
    </message>
    <message>
        <source>Self-contained web file</source>
        <translation>Eigenständige Webdatei</translation>
    </message>
    <message>
        <source>Prompt</source>
        <translation>Prompt</translation>
    </message>
    <message>
        <source>Language-agnostic AI prompt</source>
        <translation>KI-Prompt für jede Programmiersprache</translation>
    </message>
    <message>
        <source>PNG Image</source>
        <translation>PNG-Bild</translation>
    </message>
    <message>
        <source>High-resolution @2x export</source>
        <translation>Hochaufgelöster @2x-Export</translation>
    </message>
    <message>
        <source>Animation</source>
        <translation>Animation</translation>
    </message>
    <message>
        <source>Looping MP4, GIF, or transparent video</source>
        <translation>Loop als MP4, GIF oder Alpha-Video</translation>
    </message>
    <message>
        <source>Web Component</source>
        <translation>Web-Komponente</translation>
    </message>
    <message>
        <source>npm package with live states</source>
        <translation>npm-Paket mit Live-Zuständen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::FileDialogs</name>
    <message>
        <source>Lumara project (*.%1)</source>
        <translation>Lumara-Projekt (*.%1)</translation>
    </message>
    <message>
        <source>Lumara designs (*.%1 *.png *.apng *.gif *.mp4 *.mov *.webm);;Lumara project (*.%1)</source>
        <translation>Lumara-Designs (*.%1 *.png *.apng *.gif *.mp4 *.mov *.webm);;Lumara-Projekt (*.%1)</translation>
    </message>
    <message>
        <source>Images (%1)</source>
        <translation>Bilder (%1)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
</context>
<context>
    <name>lumara::ui::GeneratingCodeCard</name>
    <message>
        <source>Generating code</source>
        <translation>Code wird erzeugt</translation>
    </message>
    <message>
        <source>Generating code…</source>
        <translation>Code wird erzeugt…</translation>
    </message>
</context>
<context>
    <name>lumara::ui::GradientPreviewBar</name>
    <message>
        <source>Gradient preview</source>
        <translation>Verlaufsvorschau</translation>
    </message>
    <message>
        <source>Drop a picture here to take its colors</source>
        <translation>Bild hier ablegen, um seine Farben zu übernehmen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::HelpView</name>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Copy Design Code</source>
        <translation>Design-Code kopieren</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Randomize Orb</source>
        <translation>Orb zufällig gestalten</translation>
    </message>
    <message>
        <source>Randomize with Seed</source>
        <translation>Mit Startwert zufällig gestalten</translation>
    </message>
    <message>
        <source>Pause Motion</source>
        <translation>Bewegung anhalten</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Zoom to Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Actual Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Copy Look</source>
        <translation>Stil kopieren</translation>
    </message>
    <message>
        <source>Paste Look</source>
        <translation>Stil einfügen</translation>
    </message>
    <message>
        <source>Colors From Image</source>
        <translation>Farben aus Bild</translation>
    </message>
    <message>
        <source>Paste Design Code</source>
        <translation>Design-Code einfügen</translation>
    </message>
    <message>
        <source>Toggle Inspector</source>
        <translation>Inspektor ein/aus</translation>
    </message>
    <message>
        <source>Toggle Sidebar</source>
        <translation>Seitenleiste ein/aus</translation>
    </message>
    <message>
        <source>SwiftUI Code</source>
        <translation>SwiftUI-Code</translation>
    </message>
    <message>
        <source>A standalone SwiftUI view you can drop directly into your Xcode project.</source>
        <translation>Eine eigenständige SwiftUI-View, die Sie direkt in Ihr Xcode-Projekt übernehmen.</translation>
    </message>
    <message>
        <source>HTML</source>
        <translation>HTML</translation>
    </message>
    <message>
        <source>A self-contained HTML file with animated canvas output.</source>
        <translation>Eine eigenständige HTML-Datei mit animierter Canvas-Ausgabe.</translation>
    </message>
    <message>
        <source>PNG Image</source>
        <translation>PNG-Bild</translation>
    </message>
    <message>
        <source>A high-resolution snapshot of your orb design.</source>
        <translation>Eine hochaufgelöste Momentaufnahme Ihres Orb-Designs.</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Lumara Help</source>
        <translation>Lumara-Hilfe</translation>
    </message>
    <message>
        <source>Design animated orbs with real-time preview</source>
        <translation>Animierte Orbs gestalten, mit Vorschau in Echtzeit</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Editing &amp; View</source>
        <translation>Bearbeiten &amp; Ansicht</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
</context>
<context>
    <name>lumara::ui::InspectorView</name>
    <message>
        <source>Inspector</source>
        <translation>Inspektor</translation>
    </message>
    <message>
        <source>Colors</source>
        <translation>Farben</translation>
    </message>
    <message>
        <source>Shape</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Effects</source>
        <translation>Effekte</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
</context>
<context>
    <name>lumara::ui::LumaraApp</name>
    <message>
        <source>%1 (1 state)</source>
        <translation>%1 (1 Zustand)</translation>
    </message>
    <message>
        <source>%1 (%2 states)</source>
        <translation>%1 (%2 Zustände)</translation>
    </message>
    <message>
        <source>Could not update</source>
        <translation>Fehler beim Aktualisieren von</translation>
    </message>
</context>
<context>
    <name>lumara::ui::MainCanvasView</name>
    <message>
        <source>Checkerboard</source>
        <translation>Schachbrett</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Weiß</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Schwarz</translation>
    </message>
    <message>
        <source>Light Gray</source>
        <translation>Hellgrau</translation>
    </message>
    <message>
        <source>Dark Gray</source>
        <translation>Dunkelgrau</translation>
    </message>
    <message>
        <source>Canvas: GPU (%1)</source>
        <translation>Arbeitsfläche: GPU (%1)</translation>
    </message>
    <message>
        <source>Canvas: CPU</source>
        <translation>Arbeitsfläche: CPU</translation>
    </message>
    <message>
        <source>Canvas</source>
        <translation>Arbeitsfläche</translation>
    </message>
    <message>
        <source>Orb size</source>
        <translation>Orb-Größe</translation>
    </message>
    <message>
        <source>Time shown</source>
        <translation>Gezeigter Zeitpunkt</translation>
    </message>
    <message>
        <source>Scrub time</source>
        <translation>Zeitpunkt wählen</translation>
    </message>
    <message>
        <source>Drag to choose the moment shown</source>
        <translation>Ziehen, um den gezeigten Moment zu wählen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::MainWindow</name>
    <message>
        <source>Custom</source>
        <translation>Eigenes Design</translation>
    </message>
    <message>
        <source>Copied to clipboard</source>
        <translation>In die Zwischenablage kopiert</translation>
    </message>
    <message>
        <source>Could not open</source>
        <translation>Fehler beim Öffnen von</translation>
    </message>
    <message>
        <source>Could not save</source>
        <translation>Fehler beim Speichern von</translation>
    </message>
    <message>
        <source>My Orb</source>
        <translation>Mein Orb</translation>
    </message>
    <message>
        <source>Could not copy the look.
%1.</source>
        <translation>Der Stil konnte nicht kopiert werden.
%1.</translation>
    </message>
    <message>
        <source>Look copied</source>
        <translation>Stil kopiert</translation>
    </message>
    <message>
        <source>Could not paste a look.
The clipboard holds no orb configuration (%1). Copy one with Copy Look.</source>
        <translation>Kein Stil zum Einfügen.
Die Zwischenablage enthält keine Orb-Einstellungen (%1). Kopieren Sie welche mit „Stil kopieren“.</translation>
    </message>
    <message>
        <source>Randomize with Seed</source>
        <translation>Mit Startwert zufällig gestalten</translation>
    </message>
    <message>
        <source>The same seed always draws the same orb; locked parameters are kept.
Seed:</source>
        <translation>Derselbe Startwert ergibt immer denselben Orb; gesperrte Parameter bleiben erhalten.
Startwert:</translation>
    </message>
    <message>
        <source>Randomize</source>
        <translation>&amp;Zufällig gestalten</translation>
    </message>
    <message>
        <source>Could not randomize.
&quot;%1&quot; is not a seed: give a whole number from 0 to 18446744073709551615.</source>
        <translation>Zufälliges Gestalten nicht möglich.
„%1“ ist kein Startwert: Geben Sie eine ganze Zahl von 0 bis 18446744073709551615 ein.</translation>
    </message>
    <message>
        <source>Could not take colors from</source>
        <translation>Fehler beim Übernehmen der Farben aus</translation>
    </message>
    <message>
        <source>Could not copy the design code.
%1.</source>
        <translation>Der Design-Code konnte nicht kopiert werden.
%1.</translation>
    </message>
    <message>
        <source>Design code copied</source>
        <translation>Design-Code kopiert</translation>
    </message>
    <message>
        <source>The text is not a design code. Copy one with Copy Design Code</source>
        <translation>Der Text ist kein Design-Code. Kopieren Sie einen mit „Design-Code kopieren“</translation>
    </message>
    <message>
        <source>Could not open the design code.
%1.</source>
        <translation>Der Design-Code konnte nicht geöffnet werden.
%1.</translation>
    </message>
    <message>
        <source>Swift source (*.swift)</source>
        <translation>Swift-Quelltext (*.swift)</translation>
    </message>
    <message>
        <source>HTML page (*.html)</source>
        <translation>HTML-Seite (*.html)</translation>
    </message>
    <message>
        <source>Markdown text (*.md)</source>
        <translation>Markdown-Text (*.md)</translation>
    </message>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG-Bild (*.png)</translation>
    </message>
    <message>
        <source>Could not export</source>
        <translation>Fehler beim Exportieren von</translation>
    </message>
    <message>
        <source>Clear Menu</source>
        <translation>&amp;Liste leeren</translation>
    </message>
    <message>
        <source>%1 “%2”.
%3</source>
        <translation>%1 „%2“.
%3</translation>
    </message>
    <message>
        <source>Open…</source>
        <translation>Ö&amp;ffnen…</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Save As…</source>
        <translation>Speichern &amp;unter…</translation>
    </message>
    <message>
        <source>Export PNG…</source>
        <translation>Als &amp;PNG exportieren…</translation>
    </message>
    <message>
        <source>Export PNG</source>
        <translation>PNG exportieren</translation>
    </message>
    <message>
        <source>Save as PNG image</source>
        <translation>Als PNG-Bild speichern</translation>
    </message>
    <message>
        <source>Export SwiftUI Code…</source>
        <translation>Sw&amp;iftUI-Code exportieren…</translation>
    </message>
    <message>
        <source>Export HTML…</source>
        <translation>&amp;HTML exportieren…</translation>
    </message>
    <message>
        <source>Export Prompt…</source>
        <translation>P&amp;rompt exportieren…</translation>
    </message>
    <message>
        <source>Export Animation…</source>
        <translation>&amp;Animation exportieren…</translation>
    </message>
    <message>
        <source>Export Web Package…</source>
        <translation>&amp;Web-Paket exportieren…</translation>
    </message>
    <message>
        <source>Copy Code</source>
        <translation>Code &amp;kopieren</translation>
    </message>
    <message>
        <source>Copy SwiftUI code to clipboard</source>
        <translation>SwiftUI-Code in die Zwischenablage kopieren</translation>
    </message>
    <message>
        <source>Copy Look</source>
        <translation>Stil k&amp;opieren</translation>
    </message>
    <message>
        <source>Paste Look</source>
        <translation>Stil &amp;einfügen</translation>
    </message>
    <message>
        <source>Copy Design Code</source>
        <translation>Design-&amp;Code kopieren</translation>
    </message>
    <message>
        <source>Paste Design Code</source>
        <translation>Design-Code e&amp;infügen</translation>
    </message>
    <message>
        <source>From Image…</source>
        <translation>Aus &amp;Bild übernehmen…</translation>
    </message>
    <message>
        <source>Take the background colors from a picture</source>
        <translation>Die Hintergrundfarben aus einem Bild übernehmen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>&amp;Wiederholen</translation>
    </message>
    <message>
        <source>Generate random orb</source>
        <translation>Zufälligen Orb erzeugen</translation>
    </message>
    <message>
        <source>Generate random orb
Last seed: %1</source>
        <translation>Zufälligen Orb erzeugen
Letzter Startwert: %1</translation>
    </message>
    <message>
        <source>Randomize with Seed…</source>
        <translation>Mit &amp;Startwert zufällig gestalten…</translation>
    </message>
    <message>
        <source>Pause Motion</source>
        <translation>Bewegung &amp;anhalten</translation>
    </message>
    <message>
        <source>Pause the orb&apos;s motion to pick a moment</source>
        <translation>Die Bewegung des Orbs anhalten, um einen Moment zu wählen</translation>
    </message>
    <message>
        <source>Resume the orb&apos;s motion</source>
        <translation>Die Bewegung des Orbs fortsetzen</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Ver&amp;größern</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Ver&amp;kleinern</translation>
    </message>
    <message>
        <source>Zoom to Fit</source>
        <translation>&amp;Einpassen</translation>
    </message>
    <message>
        <source>Actual Size</source>
        <translation>&amp;Originalgröße</translation>
    </message>
    <message>
        <source>Show Sidebar</source>
        <translation>&amp;Seitenleiste anzeigen</translation>
    </message>
    <message>
        <source>Show Inspector</source>
        <translation>&amp;Inspektor anzeigen</translation>
    </message>
    <message>
        <source>Inspector</source>
        <translation>Inspektor</translation>
    </message>
    <message>
        <source>Lumara Help</source>
        <translation>Lumara-&amp;Hilfe</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach &amp;Updates suchen…</translation>
    </message>
    <message>
        <source>Preferences…</source>
        <translation>Einstellu&amp;ngen…</translation>
    </message>
    <message>
        <source>About Lumara</source>
        <translation>Ü&amp;ber Lumara</translation>
    </message>
    <message>
        <source>&lt;b&gt;Lumara&lt;/b&gt; %1&lt;br&gt;Design animated orbs and take them away as code, pages, images and video.&lt;br&gt;&lt;br&gt;%2</source>
        <translation>&lt;b&gt;Lumara&lt;/b&gt; %1&lt;br&gt;Animierte Orbs gestalten und als Code, Webseite, Bild und Video mitnehmen.&lt;br&gt;&lt;br&gt;%2</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Open Recent</source>
        <translation>&amp;Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Colors</source>
        <translation>&amp;Farben</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>%1 rückgängig machen</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>%1 wiederholen</translation>
    </message>
    <message>
        <source>About Lumara</source>
        <comment>window title</comment>
        <translation>Über Lumara</translation>
    </message>
    <message>
        <source>Undo</source>
        <comment>tooltip</comment>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <comment>tooltip</comment>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Recover Unsaved Project</source>
        <translation>Ungesichertes Projekt wie&amp;derherstellen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::OnboardingView</name>
    <message>
        <source>Welcome to Lumara</source>
        <translation>Willkommen bei Lumara</translation>
    </message>
    <message>
        <source>A design tool for crafting animated orbs. Tweak every detail and watch it come alive in real time.</source>
        <translation>Ein Werkzeug für animierte Orbs. Feilen Sie an jedem Detail und sehen Sie zu, wie es in Echtzeit lebendig wird.</translation>
    </message>
    <message>
        <source>Full Creative Control</source>
        <translation>Volle kreative Kontrolle</translation>
    </message>
    <message>
        <source>Color, shape, glow, and motion. Shape every layer from the inspector and see each change instantly.</source>
        <translation>Farbe, Form, Leuchten und Bewegung. Gestalten Sie jede Ebene im Inspektor und sehen Sie jede Änderung sofort.</translation>
    </message>
    <message>
        <source>Ready for Production</source>
        <translation>Bereit für die Produktion</translation>
    </message>
    <message>
        <source>Export clean SwiftUI, a standalone web embed, an animated loop, or a crisp PNG, all ready to drop into your project.</source>
        <translation>Exportieren Sie sauberes SwiftUI, ein eigenständiges Web-Embed, einen animierten Loop oder ein gestochen scharfes PNG, bereit für Ihr Projekt.</translation>
    </message>
    <message>
        <source>Page</source>
        <translation>Seite</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Get Started</source>
        <translation>Los geht’s</translation>
    </message>
    <message>
        <source>Welcome</source>
        <translation>Willkommen</translation>
    </message>
    <message>
        <source>Don’t show this again</source>
        <translation>Nicht mehr anzeigen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::ParameterLock</name>
    <message>
        <source>Lock %1</source>
        <translation>%1 sperren</translation>
    </message>
    <message>
        <source>%1 is locked: Randomize keeps it. Click to unlock.</source>
        <translation>%1 ist gesperrt: Zufälliges Gestalten behält den Wert. Zum Entsperren klicken.</translation>
    </message>
    <message>
        <source>Lock %1, so that Randomize keeps it</source>
        <translation>%1 sperren, damit zufälliges Gestalten den Wert behält</translation>
    </message>
</context>
<context>
    <name>lumara::ui::PresetSidebarView</name>
    <message>
        <source>Cool</source>
        <translation>Kühl</translation>
    </message>
    <message>
        <source>Warm</source>
        <translation>Warm</translation>
    </message>
    <message>
        <source>Neon</source>
        <translation>Neon</translation>
    </message>
    <message>
        <source>Pastel</source>
        <translation>Pastell</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Dunkel</translation>
    </message>
    <message>
        <source>Presets</source>
        <translation>Voreinstellungen</translation>
    </message>
    <message>
        <source>Preset library</source>
        <translation>Bibliothek der Voreinstellungen</translation>
    </message>
    <message>
        <source>Apply %1</source>
        <translation>%1 anwenden</translation>
    </message>
    <message>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Hell</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Erscheinungsbild</translation>
    </message>
</context>
<context>
    <name>lumara::ui::SettingsView</name>
    <message>
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Updates</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>Automatically check for updates</source>
        <translation>Automatisch nach Updates suchen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::ShapeSection</name>
    <message>
        <source>Circle</source>
        <translation>Kreis</translation>
    </message>
    <message>
        <source>Square</source>
        <translation>Quadrat</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>Size stepper</source>
        <translation>Größe schrittweise ändern</translation>
    </message>
    <message>
        <source>Corner Radius</source>
        <translation>Eckenradius</translation>
    </message>
    <message>
        <source>Count</source>
        <translation>Anzahl</translation>
    </message>
    <message>
        <source>Points</source>
        <translation>Punkte</translation>
    </message>
    <message>
        <source>Use Gradient Colors</source>
        <translation>Verlaufsfarben verwenden</translation>
    </message>
    <message>
        <source>Blend</source>
        <translation>Füllmethode</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Addieren</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>Negativ multiplizieren</translation>
    </message>
    <message>
        <source>Overlay</source>
        <translation>Ineinanderkopieren</translation>
    </message>
    <message>
        <source>Dodge</source>
        <translation>Abwedeln</translation>
    </message>
    <message>
        <source>Soft Light</source>
        <translation>Weiches Licht</translation>
    </message>
    <message>
        <source>Distortion</source>
        <translation>Verzerrung</translation>
    </message>
    <message>
        <source>Scale</source>
        <translation>Skalierung</translation>
    </message>
    <message>
        <source>Spread</source>
        <translation>Streuung</translation>
    </message>
    <message>
        <source>Opacity</source>
        <translation>Deckkraft</translation>
    </message>
    <message>
        <source>Blur</source>
        <translation>Weichzeichner</translation>
    </message>
</context>
<context>
    <name>lumara::ui::StateChip</name>
    <message>
        <source>Rename</source>
        <translation>&amp;Umbenennen</translation>
    </message>
    <message>
        <source>Delete State</source>
        <translation>Zustand &amp;löschen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
</context>
<context>
    <name>lumara::ui::StateStripView</name>
    <message>
        <source>States</source>
        <translation>Zustände</translation>
    </message>
    <message>
        <source>Add state</source>
        <translation>Zustand hinzufügen</translation>
    </message>
    <message>
        <source>Transition time</source>
        <translation>Übergangszeit</translation>
    </message>
    <message>
        <source>Stop preview</source>
        <translation>Vorschau stoppen</translation>
    </message>
    <message>
        <source>Play state loop</source>
        <translation>Zustände als Schleife abspielen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::Stepper</name>
    <message>
        <source>Decrement</source>
        <translation>Verringern</translation>
    </message>
    <message>
        <source>Increment</source>
        <translation>Erhöhen</translation>
    </message>
</context>
<context>
    <name>lumara::ui::UpdateDialogs</name>
    <message>
        <source>Software Update</source>
        <translation>Softwareaktualisierung</translation>
    </message>
    <message>
        <source>Checking for updates…</source>
        <translation>Suche nach Updates…</translation>
    </message>
    <message>
        <source>Update Error!</source>
        <translation>Fehler bei der Aktualisierung!</translation>
    </message>
    <message>
        <source>You’re up to date!</source>
        <translation>Alles auf dem neuesten Stand!</translation>
    </message>
    <message>
        <source>Lumara %1 is currently the newest version available.</source>
        <translation>Lumara %1 ist die neueste verfügbare Version.</translation>
    </message>
    <message>
        <source>A new version of Lumara is available!</source>
        <translation>Eine neue Version von Lumara ist verfügbar!</translation>
    </message>
    <message>
        <source>Lumara %1 is now available — you have %2. Would you like to open its download page?</source>
        <translation>Lumara %1 ist jetzt verfügbar, Sie haben %2. Möchten Sie die Download-Seite öffnen?</translation>
    </message>
    <message>
        <source>Release Notes</source>
        <translation>Versionshinweise</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Später</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
</context>
</TS>
