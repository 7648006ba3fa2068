<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>pictoreel::AboutDialog</name>
    <message>
        <source>About Pictoreel</source>
        <translation>Über Pictoreel</translation>
    </message>
    <message>
        <source>Logo</source>
        <translation>Logo</translation>
    </message>
    <message>
        <source>How Beautiful :)</source>
        <translation>Wie schön :)</translation>
    </message>
    <message>
        <source>Website</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Support</translation>
    </message>
</context>
<context>
    <name>pictoreel::AnimationFramesDialog</name>
    <message>
        <source>Import Animation Frames</source>
        <translation>Animationsbilder importieren</translation>
    </message>
    <message>
        <source>Taking %1 apart into %2 ...</source>
        <translation>%1 wird in %2 zerlegt ...</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>The frames of the animation could not be extracted.

</source>
        <translation>Die Frames der Animation konnten nicht extrahiert werden.

</translation>
    </message>
</context>
<context>
    <name>pictoreel::AnimationTab</name>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>Previous frame</source>
        <translation>Vorheriger Frame</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Abspielen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Abspielen</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Weiter</translation>
    </message>
    <message>
        <source>Next frame</source>
        <translation>Nächster Frame</translation>
    </message>
    <message>
        <source>Shown frame</source>
        <translation>Angezeigter Frame</translation>
    </message>
    <message>
        <source>Animation message</source>
        <translation>Animationsmeldung</translation>
    </message>
    <message>
        <source>Animation</source>
        <translation>Animation</translation>
    </message>
    <message>
        <source>Animation view</source>
        <translation>Animationsansicht</translation>
    </message>
    <message>
        <source>Making the animation ... %1 %</source>
        <translation>Animation wird erstellt ... %1 %</translation>
    </message>
    <message>
        <source>The animation could not be made.</source>
        <translation>Die Animation konnte nicht erstellt werden.</translation>
    </message>
    <message>
        <source>Pa&amp;use</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Frame %1 / %2</source>
        <translation>Frame %1 / %2</translation>
    </message>
</context>
<context>
    <name>pictoreel::ButtonToolbar</name>
    <message>
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
</context>
<context>
    <name>pictoreel::CaptionsDialog</name>
    <message>
        <source>(no text)</source>
        <translation>(kein Text)</translation>
    </message>
    <message>
        <source>Captions</source>
        <translation>Beschriftungen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Add</source>
        <translation>&amp;Hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>&amp;Up</source>
        <translation>Nach &amp;oben</translation>
    </message>
    <message>
        <source>Do&amp;wn</source>
        <translation>Nach &amp;unten</translation>
    </message>
    <message>
        <source>Caption</source>
        <translation>Beschriftung</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>&amp;Text:</source>
        <translation>&amp;Text:</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <source>&amp;Font:</source>
        <translation>&amp;Schrift:</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Größe</translation>
    </message>
    <message>
        <source>&amp;Bold</source>
        <translation>&amp;Fett</translation>
    </message>
    <message>
        <source>Bold</source>
        <translation>Fett</translation>
    </message>
    <message>
        <source>&amp;Italic</source>
        <translation>&amp;Kursiv</translation>
    </message>
    <message>
        <source>Italic</source>
        <translation>Kursiv</translation>
    </message>
    <message>
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message>
        <source>Colour</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>Colour:</source>
        <translation>Farbe:</translation>
    </message>
    <message>
        <source>Outline colour</source>
        <translation>Konturfarbe</translation>
    </message>
    <message>
        <source>Outline width</source>
        <translation>Konturbreite</translation>
    </message>
    <message>
        <source>Outline:</source>
        <translation>Kontur:</translation>
    </message>
    <message>
        <source>Bo&amp;x behind the text</source>
        <translation>Kasten hinter dem Te&amp;xt</translation>
    </message>
    <message>
        <source>Box behind the text</source>
        <translation>Kasten hinter dem Text</translation>
    </message>
    <message>
        <source>Box colour</source>
        <translation>Kastenfarbe</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>&amp;Position:</source>
        <translation>&amp;Position:</translation>
    </message>
    <message>
        <source>Margin</source>
        <translation>Rand</translation>
    </message>
    <message>
        <source>&amp;Margin:</source>
        <translation>&amp;Rand:</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y</translation>
    </message>
    <message>
        <source>X, Y:</source>
        <translation>X, Y:</translation>
    </message>
    <message>
        <source>A&amp;ll frames</source>
        <translation>A&amp;lle Frames</translation>
    </message>
    <message>
        <source>All frames</source>
        <translation>Alle Frames</translation>
    </message>
    <message>
        <source>From frame</source>
        <translation>Ab Frame</translation>
    </message>
    <message>
        <source>To frame</source>
        <translation>Bis Frame</translation>
    </message>
    <message>
        <source>Frames:</source>
        <translation>Frames:</translation>
    </message>
    <message>
        <source>Top left</source>
        <translation>Oben links</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Oben</translation>
    </message>
    <message>
        <source>Top right</source>
        <translation>Oben rechts</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Centre</source>
        <translation>Mitte</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Bottom left</source>
        <translation>Unten links</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Unten</translation>
    </message>
    <message>
        <source>Bottom right</source>
        <translation>Unten rechts</translation>
    </message>
    <message>
        <source>At a point (x, y)</source>
        <translation>An einem Punkt (x, y)</translation>
    </message>
</context>
<context>
    <name>pictoreel::ConverterWindow</name>
    <message>
        <source>AVI to GIF Converter</source>
        <translation>AVI-zu-GIF-Konverter</translation>
    </message>
    <message>
        <source>Open AVI File</source>
        <translation>AVI-Datei öffnen</translation>
    </message>
    <message>
        <source>Set GIF File</source>
        <translation>GIF-Datei festlegen</translation>
    </message>
    <message>
        <source>Please open an avi file</source>
        <translation>Bitte öffnen Sie eine AVI-Datei</translation>
    </message>
    <message>
        <source>Please set a gif file</source>
        <translation>Bitte legen Sie eine GIF-Datei fest</translation>
    </message>
    <message>
        <source>The AVI file could not be converted to an animated GIF.</source>
        <translation>Die AVI-Datei konnte nicht in ein animiertes GIF umgewandelt werden.</translation>
    </message>
    <message>
        <source>AVI file</source>
        <translation>AVI-Datei</translation>
    </message>
    <message>
        <source>GIF file</source>
        <translation>GIF-Datei</translation>
    </message>
    <message>
        <source>Choose the AVI file</source>
        <translation>AVI-Datei wählen</translation>
    </message>
    <message>
        <source>Choose the GIF file</source>
        <translation>GIF-Datei wählen</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>&amp;Convert</source>
        <translation>&amp;Umwandeln</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Umwandeln</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Converted Successfully</source>
        <translation>Erfolgreich umgewandelt</translation>
    </message>
    <message>
        <source>The following file does not exist!</source>
        <translation>Die folgende Datei existiert nicht!</translation>
    </message>
    <message>
        <source>GIF to AVI Converter</source>
        <translation>GIF-zu-AVI-Konverter</translation>
    </message>
    <message>
        <source>Open GIF File</source>
        <translation>GIF-Datei öffnen</translation>
    </message>
    <message>
        <source>Set AVI File</source>
        <translation>AVI-Datei festlegen</translation>
    </message>
    <message>
        <source>Please open a gif file</source>
        <translation>Bitte öffnen Sie eine GIF-Datei</translation>
    </message>
    <message>
        <source>Please set an AVI file</source>
        <translation>Bitte legen Sie eine AVI-Datei fest</translation>
    </message>
    <message>
        <source>The animated GIF could not be converted to an AVI file.</source>
        <translation>Das animierte GIF konnte nicht in eine AVI-Datei umgewandelt werden.</translation>
    </message>
</context>
<context>
    <name>pictoreel::CropDialog</name>
    <message>
        <source>Crop</source>
        <translation>Zuschneiden</translation>
    </message>
    <message>
        <source>&amp;X:</source>
        <translation>&amp;X:</translation>
    </message>
    <message>
        <source>&amp;Y:</source>
        <translation>&amp;Y:</translation>
    </message>
    <message>
        <source>&amp;Width:</source>
        <translation>&amp;Breite:</translation>
    </message>
    <message>
        <source>&amp;Height:</source>
        <translation>&amp;Höhe:</translation>
    </message>
    <message>
        <source>Aspect</source>
        <translation>Seitenverhältnis</translation>
    </message>
    <message>
        <source>&amp;Aspect:</source>
        <translation>&amp;Seitenverhältnis:</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>&amp;Reset</source>
        <translation>&amp;Zurücksetzen</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Free</source>
        <translation>Frei</translation>
    </message>
</context>
<context>
    <name>pictoreel::ExtractorWindow</name>
    <message>
        <source>Cannot delete the file %1</source>
        <translation>Die Datei %1 kann nicht gelöscht werden</translation>
    </message>
    <message>
        <source>The GIF</source>
        <translation>Das GIF</translation>
    </message>
    <message>
        <source>%1 is the animated GIF the frames come from; it is not written over. Please choose another file or folder.</source>
        <translation>%1 ist das animierte GIF, aus dem die Frames stammen; es wird nicht überschrieben. Bitte wählen Sie eine andere Datei oder einen anderen Ordner.</translation>
    </message>
    <message>
        <source>The file name is not set</source>
        <translation>Der Dateiname ist nicht festgelegt</translation>
    </message>
    <message>
        <source>%1 is already in %2. Replace it?</source>
        <translation>%1 ist bereits in %2 vorhanden. Ersetzen?</translation>
    </message>
    <message>
        <source>%1 of the files are already in %2 (%3). Replace them?</source>
        <translation>%1 der Dateien sind bereits in %2 vorhanden (%3). Ersetzen?</translation>
    </message>
    <message>
        <source>Please check the frames that you want to save first!</source>
        <translation>Bitte haken Sie zuerst die Frames ab, die Sie speichern möchten!</translation>
    </message>
    <message>
        <source>The output folder is not set</source>
        <translation>Der Ausgabeordner ist nicht festgelegt</translation>
    </message>
    <message>
        <source>No GIF is open</source>
        <translation>Kein GIF geöffnet</translation>
    </message>
    <message>
        <source>The frames cannot be saved as JPEG. %1 Frames of any size are saved as BMP or GIF.</source>
        <translation>Die Frames können nicht als JPEG gespeichert werden. %1 Frames jeder Größe lassen sich als BMP oder GIF speichern.</translation>
    </message>
    <message>
        <source>Saving the frames was cancelled</source>
        <translation>Das Speichern der Frames wurde abgebrochen</translation>
    </message>
    <message>
        <source>Save finished</source>
        <translation>Speichern abgeschlossen</translation>
    </message>
    <message>
        <source>Animated GIF Frames Extractor</source>
        <translation>GIF-Frame-Extraktor</translation>
    </message>
    <message>
        <source>&amp;Open ...</source>
        <translation>&amp;Öffnen ...</translation>
    </message>
    <message>
        <source>&amp;Save Current Frame As ...</source>
        <translation>Aktuellen Frame &amp;speichern unter ...</translation>
    </message>
    <message>
        <source>&amp;Save All Checked Frames ...</source>
        <translation>&amp;Alle abgehakten Frames speichern ...</translation>
    </message>
    <message>
        <source>Check All</source>
        <translation>Alle abhaken</translation>
    </message>
    <message>
        <source>Uncheck All</source>
        <translation>Alle Häkchen entfernen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Opean an Animated GIF files</source>
        <translation>Eine animierte GIF-Datei öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save the Current Frame</source>
        <translation>Den aktuellen Frame speichern</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Alle speichern</translation>
    </message>
    <message>
        <source>Save All Frames</source>
        <translation>Alle Frames speichern</translation>
    </message>
    <message>
        <source>Chell All</source>
        <translation>Alle abhaken</translation>
    </message>
    <message>
        <source>Check All Frames</source>
        <translation>Alle Frames abhaken</translation>
    </message>
    <message>
        <source>Uncheck</source>
        <translation>Keine</translation>
    </message>
    <message>
        <source>Uncheck All Frames</source>
        <translation>Bei allen Frames die Häkchen entfernen</translation>
    </message>
    <message>
        <source>Frames and pictures</source>
        <translation>Frames und Bilder</translation>
    </message>
    <message>
        <source>Frame list pane</source>
        <translation>Bereich der Frame-Liste</translation>
    </message>
    <message>
        <source>Frames</source>
        <translation>Frames</translation>
    </message>
    <message>
        <source>Splitter</source>
        <translation>Teiler</translation>
    </message>
    <message>
        <source>Picture pane</source>
        <translation>Bildbereich</translation>
    </message>
    <message>
        <source>Frames and preview</source>
        <translation>Frames und Vorschau</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Animation</source>
        <translation>Animation</translation>
    </message>
    <message>
        <source>Splitter bar</source>
        <translation>Teilerleiste</translation>
    </message>
</context>
<context>
    <name>pictoreel::FrameListModel</name>
    <message>
        <source>NO</source>
        <translation>Nr.</translation>
    </message>
    <message>
        <source>Interval</source>
        <translation>Dauer</translation>
    </message>
    <message>
        <source>Trans</source>
        <translation>Transp.</translation>
    </message>
    <message>
        <source>Trans Color</source>
        <translation>Farbe</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Full Path</source>
        <translation>Vollständiger Pfad</translation>
    </message>
    <message>
        <source>The frame names no picture file.</source>
        <translation>Der Frame nennt keine Bilddatei.</translation>
    </message>
    <message>
        <source>The picture file is missing: %1</source>
        <translation>Die Bilddatei fehlt: %1</translation>
    </message>
    <message>
        <source>The picture cannot be read: %1
%2</source>
        <translation>Das Bild kann nicht gelesen werden: %1
%2</translation>
    </message>
</context>
<context>
    <name>pictoreel::FrameListView</name>
    <message>
        <source>Frames</source>
        <translation>Frames</translation>
    </message>
    <message>
        <source>Drop picture files or folders here to add them as frames, a project to open it, or a video to add its frames; drag frames to reorder them.</source>
        <translation>Legen Sie hier Bilddateien oder Ordner ab, um sie als Frames hinzuzufügen, ein Projekt, um es zu öffnen, oder ein Video, um seine Frames hinzuzufügen; ziehen Sie Frames, um sie umzuordnen.</translation>
    </message>
</context>
<context>
    <name>pictoreel::FrameThumbnails</name>
    <message>
        <source>The picture holds no image.</source>
        <translation>Die Bilddatei enthält kein Bild.</translation>
    </message>
</context>
<context>
    <name>pictoreel::GifView</name>
    <message>
        <source>&amp;Fit</source>
        <translation>&amp;Einpassen</translation>
    </message>
    <message>
        <source>&amp;100 %</source>
        <translation>&amp;100 %</translation>
    </message>
</context>
<context>
    <name>pictoreel::HelpWindow</name>
    <message>
        <source>Pictoreel Help</source>
        <translation>Pictoreel-Hilfe</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>Handbuch</translation>
    </message>
    <message>
        <source>&amp;Back</source>
        <translation>&amp;Zurück</translation>
    </message>
    <message>
        <source>&amp;Forward</source>
        <translation>&amp;Vorwärts</translation>
    </message>
    <message>
        <source>&amp;Home</source>
        <translation>&amp;Startseite</translation>
    </message>
</context>
<context>
    <name>pictoreel::HistoryDialog</name>
    <message>
        <source>History List</source>
        <translation>Verlauf</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Öffnen</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>&amp;Clear All</source>
        <translation>L&amp;eeren</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>Recent project files</source>
        <translation>Zuletzt geöffnete Projektdateien</translation>
    </message>
    <message>
        <source>Please select a file to open ...</source>
        <translation>Bitte wählen Sie eine Datei zum Öffnen ...</translation>
    </message>
    <message>
        <source>The following file is not exist:
</source>
        <translation>Die folgende Datei existiert nicht:
</translation>
    </message>
</context>
<context>
    <name>pictoreel::ImageView</name>
    <message>
        <source>&amp;Fit</source>
        <translation>&amp;Einpassen</translation>
    </message>
    <message>
        <source>&amp;100 %</source>
        <translation>&amp;100 %</translation>
    </message>
</context>
<context>
    <name>pictoreel::MadeGifTransfer</name>
    <message>
        <source>Copy GIF</source>
        <translation>GIF kopieren</translation>
    </message>
</context>
<context>
    <name>pictoreel::MainWindow</name>
    <message>
        <source>Open Image Files ...</source>
        <translation>Bilddateien öffnen ...</translation>
    </message>
    <message>
        <source>Open Animation ...</source>
        <translation>Animation öffnen ...</translation>
    </message>
    <message>
        <source>There is no made GIF to copy: make it first.</source>
        <translation>Es gibt noch kein erstelltes GIF zum Kopieren: Erstellen Sie es zuerst.</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>None of the dropped files or folders holds a picture.</source>
        <translation>Keine der abgelegten Dateien oder Ordner enthält ein Bild.</translation>
    </message>
    <message>
        <source>
... and %1 more</source>
        <translation>
... und %1 weitere</translation>
    </message>
    <message>
        <source>%1 not added: %2. Rename or move %3, then add %3 again.

%4</source>
        <translation>%1 nicht hinzugefügt: %2. Benennen Sie %3 um oder verschieben Sie %3, und fügen Sie %3 dann erneut hinzu.

%4</translation>
    </message>
    <message>
        <source>This picture was</source>
        <translation>Dieses Bild wurde</translation>
    </message>
    <message>
        <source>These pictures were</source>
        <translation>Diese Bilder wurden</translation>
    </message>
    <message>
        <source>it</source>
        <translation>es</translation>
    </message>
    <message>
        <source>them</source>
        <translation>sie</translation>
    </message>
    <message>
        <source>No files in the list!</source>
        <translation>Keine Dateien in der Liste!</translation>
    </message>
    <message>
        <source>There is no frames for moving, Please add frames first</source>
        <translation>Es gibt keine Frames zum Verschieben. Bitte fügen Sie zuerst Frames hinzu</translation>
    </message>
    <message>
        <source>The frame is already at the top.</source>
        <translation>Der Frame steht bereits ganz oben.</translation>
    </message>
    <message>
        <source>The frame is already at the bottom.</source>
        <translation>Der Frame steht bereits ganz unten.</translation>
    </message>
    <message>
        <source>Set a gif file name for output ...</source>
        <translation>Namen der GIF-Ausgabedatei festlegen ...</translation>
    </message>
    <message>
        <source>No frames now!</source>
        <translation>Derzeit keine Frames!</translation>
    </message>
    <message>
        <source>Transparent pixels</source>
        <translation>Transparente Pixel</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Missing pictures</source>
        <translation>Fehlende Bilder</translation>
    </message>
    <message>
        <source>Made GIF</source>
        <translation>Erstelltes GIF</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Cancel the make</source>
        <translation>Erstellen abbrechen</translation>
    </message>
    <message>
        <source>1 picture was missing</source>
        <translation>1 Bild fehlte</translation>
    </message>
    <message>
        <source>%1 pictures were missing</source>
        <translation>%1 Bilder fehlten</translation>
    </message>
    <message>
        <source>%1 (&lt;a href=&quot;%2&quot;&gt;Frame Properties&lt;/a&gt;)</source>
        <translation>%1 (&lt;a href=&quot;%2&quot;&gt;Frame&lt;/a&gt;)</translation>
    </message>
    <message>
        <source>Untick Transparent or choose another colour on the Frame Properties tab.</source>
        <translation>Entfernen Sie das Häkchen bei „Transparent“ oder wählen Sie auf der Registerkarte „Frame“ eine andere Farbe.</translation>
    </message>
    <message>
        <source>Pictures</source>
        <translation>Bilder</translation>
    </message>
    <message>
        <source>Frame Image</source>
        <translation>Frame-Bild</translation>
    </message>
    <message>
        <source>Original Image</source>
        <translation>Originalbild</translation>
    </message>
    <message>
        <source>Animation</source>
        <translation>Animation</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;New Project ...</source>
        <translation>&amp;Neues Projekt ...</translation>
    </message>
    <message>
        <source>&amp;Open Project ...</source>
        <translation>Projekt ö&amp;ffnen ...</translation>
    </message>
    <message>
        <source>Sa&amp;ve Project</source>
        <translation>Projekt &amp;speichern</translation>
    </message>
    <message>
        <source>Sav&amp;e Project As ...</source>
        <translation>Projekt speichern &amp;unter ...</translation>
    </message>
    <message>
        <source>&amp;Add Image Files ...</source>
        <translation>B&amp;ilddateien hinzufügen ...</translation>
    </message>
    <message>
        <source>Add Video Frames ...</source>
        <translation>Video-Frames hinzufügen ...</translation>
    </message>
    <message>
        <source>Import Animation Frames ...</source>
        <translation>Animationsbilder importieren ...</translation>
    </message>
    <message>
        <source>&amp;Make .gif...</source>
        <translation>.gif &amp;erstellen...</translation>
    </message>
    <message>
        <source>Recent Project Files ...</source>
        <translation>Zuletzt geöffnete Projekte ...</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>U&amp;ndo</source>
        <translation>&amp;Rückgängig</translation>
    </message>
    <message>
        <source>R&amp;edo</source>
        <translation>&amp;Wiederherstellen</translation>
    </message>
    <message>
        <source>&amp;Check All Frames</source>
        <translation>Alle Frames ab&amp;haken</translation>
    </message>
    <message>
        <source>&amp;Uncheck All Frames</source>
        <translation>Alle Häkchen &amp;entfernen</translation>
    </message>
    <message>
        <source>&amp;Remove Checked Frames</source>
        <translation>Abgehakte Frames ent&amp;fernen</translation>
    </message>
    <message>
        <source>Clear &amp;All Frames</source>
        <translation>&amp;Alle Frames löschen</translation>
    </message>
    <message>
        <source>Move Highlight Frame &amp;Up</source>
        <translation>Markierten Frame nach &amp;oben</translation>
    </message>
    <message>
        <source>Move Highlight Frame &amp;Down</source>
        <translation>Markierten Frame nach &amp;unten</translation>
    </message>
    <message>
        <source>Re&amp;verse Frames</source>
        <translation>Frames um&amp;kehren</translation>
    </message>
    <message>
        <source>&amp;Ping-Pong</source>
        <translation>&amp;Ping-Pong</translation>
    </message>
    <message>
        <source>Mer&amp;ge Repeated Frames</source>
        <translation>&amp;Gleiche Frames zusammenfassen</translation>
    </message>
    <message>
        <source>Set Delay from &amp;Frame Rate ...</source>
        <translation>Dauer aus &amp;Bildrate festlegen ...</translation>
    </message>
    <message>
        <source>Delete Frames &amp;Before</source>
        <translation>Frames &amp;davor löschen</translation>
    </message>
    <message>
        <source>De&amp;lete Frames After</source>
        <translation>Frames da&amp;nach löschen</translation>
    </message>
    <message>
        <source>Change &amp;Speed ...</source>
        <translation>&amp;Tempo ändern ...</translation>
    </message>
    <message>
        <source>Cop&amp;y GIF</source>
        <translation>GIF kop&amp;ieren</translation>
    </message>
    <message>
        <source>Captions ...</source>
        <translation>Beschriftungen ...</translation>
    </message>
    <message>
        <source>Crop ...</source>
        <translation>Zuschneiden ...</translation>
    </message>
    <message>
        <source>Rotate 90° Left</source>
        <translation>90° nach links drehen</translation>
    </message>
    <message>
        <source>Rotate 90° Right</source>
        <translation>90° nach rechts drehen</translation>
    </message>
    <message>
        <source>Rotate 180°</source>
        <translation>180° drehen</translation>
    </message>
    <message>
        <source>Flip Horizontal</source>
        <translation>Horizontal spiegeln</translation>
    </message>
    <message>
        <source>Flip Vertical</source>
        <translation>Vertikal spiegeln</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>&amp;Extras</translation>
    </message>
    <message>
        <source>&amp;Preview ...</source>
        <translation>&amp;Vorschau ...</translation>
    </message>
    <message>
        <source>&amp;Animated GIF Player ...</source>
        <translation>&amp;Animierter GIF-Player ...</translation>
    </message>
    <message>
        <source>Animated GIF Frames &amp;Extractor ...</source>
        <translation>GIF-&amp;Frame-Extraktor ...</translation>
    </message>
    <message>
        <source>AVI to GIF Converter ...</source>
        <translation>AVI-zu-GIF-Konverter ...</translation>
    </message>
    <message>
        <source>GIF to AVI Converter ...</source>
        <translation>GIF-zu-AVI-Konverter ...</translation>
    </message>
    <message>
        <source>&amp;Options ...</source>
        <translation>&amp;Optionen ...</translation>
    </message>
    <message>
        <source>Record Screen ...</source>
        <translation>Bildschirm aufnehmen ...</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Contents ...</source>
        <translation>&amp;Inhalt ...</translation>
    </message>
    <message>
        <source>&amp;Visit the Website</source>
        <translation>&amp;Website besuchen</translation>
    </message>
    <message>
        <source>About Pictoreel ...</source>
        <translation>Über Pictoreel ...</translation>
    </message>
    <message>
        <source>New</source>
        <translation>Neu</translation>
    </message>
    <message>
        <source>Create a new croject</source>
        <translation>Ein neues Projekt anlegen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Open a project</source>
        <translation>Ein Projekt öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Sichern</translation>
    </message>
    <message>
        <source>Save the project</source>
        <translation>Das Projekt speichern</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzu</translation>
    </message>
    <message>
        <source>Add Frames</source>
        <translation>Frames hinzufügen</translation>
    </message>
    <message>
        <source>Del</source>
        <translation>Löschen</translation>
    </message>
    <message>
        <source>Delete checked frames</source>
        <translation>Abgehakte Frames löschen</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Auf</translation>
    </message>
    <message>
        <source>Move the highlighted frame up</source>
        <translation>Den markierten Frame nach oben verschieben</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Ab</translation>
    </message>
    <message>
        <source>Move the highlighted frame down</source>
        <translation>Den markierten Frame nach unten verschieben</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Ansicht</translation>
    </message>
    <message>
        <source>Preview the Animated GIF</source>
        <translation>Vorschau des animierten GIFs</translation>
    </message>
    <message>
        <source>Make</source>
        <translation>Erstellen</translation>
    </message>
    <message>
        <source>Make Animated GIF</source>
        <translation>Animiertes GIF erstellen</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Play the generated animated GIF</source>
        <translation>Das erstellte animierte GIF abspielen</translation>
    </message>
    <message>
        <source>Option</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Options Dialog</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Open Help Document</source>
        <translation>Die Hilfe öffnen</translation>
    </message>
    <message>
        <source>Open Project File (*.agp) ...</source>
        <translation>Projektdatei öffnen (*.agp) ...</translation>
    </message>
    <message>
        <source>Save Project As (*.agp)...</source>
        <translation>Projekt speichern unter (*.agp)...</translation>
    </message>
    <message>
        <source>Save Project As ...</source>
        <translation>Projekt speichern unter ...</translation>
    </message>
    <message>
        <source>The project could not be saved.

</source>
        <translation>Das Projekt konnte nicht gespeichert werden.

</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Cancel the merge</source>
        <translation>Zusammenfassen abbrechen</translation>
    </message>
    <message>
        <source>Set Delay from Frame Rate</source>
        <translation>Dauer aus Bildrate festlegen</translation>
    </message>
    <message>
        <source>Frames per second:</source>
        <translation>Bilder pro Sekunde:</translation>
    </message>
    <message>
        <source>The frame rate must be a number above 0.</source>
        <translation>Die Bildrate muss eine Zahl über 0 sein.</translation>
    </message>
    <message>
        <source>The picture of this frame cannot be read, so there is nothing to crop.</source>
        <translation>Das Bild dieses Frames kann nicht gelesen werden, daher gibt es nichts zuzuschneiden.</translation>
    </message>
    <message>
        <source>Show &amp;Thumbnails</source>
        <translation>&amp;Vorschaubilder zeigen</translation>
    </message>
    <message>
        <source>Would you like to save the project before closing?</source>
        <translation>Möchten Sie das Projekt vor dem Schließen speichern?</translation>
    </message>
    <message>
        <source>Save Before Closing</source>
        <translation>Vor dem Schließen speichern</translation>
    </message>
    <message>
        <source>Open Video File ...</source>
        <translation>Videodatei öffnen ...</translation>
    </message>
    <message>
        <source>New Project - Pictoreel</source>
        <translation>Neues Projekt - Pictoreel</translation>
    </message>
</context>
<context>
    <name>pictoreel::MakeCommands</name>
    <message>
        <source>The animated GIF could not be made.</source>
        <translation>Das animierte GIF konnte nicht erstellt werden.</translation>
    </message>
    <message>
        <source>The preview could not be made.</source>
        <translation>Die Vorschau konnte nicht erstellt werden.</translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation>%1 Bytes</translation>
    </message>
    <message>
        <source>%1: %2, %3 s</source>
        <translation>%1: %2, %3 s</translation>
    </message>
    <message>
        <source>(Max size applies to GIF files only)</source>
        <translation>(Die Höchstgröße gilt nur für GIF-Dateien)</translation>
    </message>
    <message>
        <source>The animated GIF was made, but </source>
        <translation>Das animierte GIF wurde erstellt, aber </translation>
    </message>
    <message>
        <source>The preview was made, but </source>
        <translation>Die Vorschau wurde erstellt, aber </translation>
    </message>
    <message>
        <source>1 picture could not be converted. Its frame is left transparent:</source>
        <translation>1 Bild konnte nicht umgewandelt werden. Sein Frame bleibt transparent:</translation>
    </message>
    <message>
        <source>1 picture could not be converted. Its frame shows the frame before it:</source>
        <translation>1 Bild konnte nicht umgewandelt werden. Sein Frame zeigt den Frame davor:</translation>
    </message>
    <message>
        <source>%1 pictures could not be converted. Their frames show the frames before them%2:</source>
        <translation>%1 Bilder konnten nicht umgewandelt werden. Ihre Frames zeigen die Frames davor%2:</translation>
    </message>
    <message>
        <source> (the first frame is left transparent)</source>
        <translation> (der erste Frame bleibt transparent)</translation>
    </message>
    <message>
        <source>
Frame %1: %2
%3</source>
        <translation>
Frame %1: %2
%3</translation>
    </message>
    <message>
        <source>

... and %1 more.</source>
        <translation>

... und %1 weitere.</translation>
    </message>
    <message>
        <source>Created finished!</source>
        <translation>Erstellen abgeschlossen!</translation>
    </message>
</context>
<context>
    <name>pictoreel::OptionsDialog</name>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Temporary File Folder</source>
        <translation>Ordner für temporäre Dateien</translation>
    </message>
    <message>
        <source>Click the button to set a folder for saving temporary files. It must be that owns enough free disk space for using.</source>
        <translation>Klicken Sie auf die Schaltfläche, um einen Ordner für temporäre Dateien festzulegen. Er muss genügend freien Speicherplatz bieten.</translation>
    </message>
    <message>
        <source>Temporary file folder</source>
        <translation>Ordner für temporäre Dateien</translation>
    </message>
    <message>
        <source>Set &amp;Folder ...</source>
        <translation>Ordner &amp;wählen ...</translation>
    </message>
    <message>
        <source>Temporary Files</source>
        <translation>Temporäre Dateien</translation>
    </message>
    <message>
        <source>This software often generate temporary files for boosting the speed. You may click the button to delete all the temporary files to release the used space.</source>
        <translation>Dieses Programm legt oft temporäre Dateien an, um schneller zu arbeiten. Klicken Sie auf die Schaltfläche, um alle temporären Dateien zu löschen und den belegten Platz freizugeben.</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Löschen</translation>
    </message>
    <message>
        <source>Project Files History</source>
        <translation>Verlauf der Projektdateien</translation>
    </message>
    <message>
        <source>You can edit the records of all opened project files. Clear all the project files history or remove some of the history records.</source>
        <translation>Sie können die Einträge aller geöffneten Projektdateien bearbeiten: den ganzen Verlauf leeren oder einzelne Einträge entfernen.</translation>
    </message>
    <message>
        <source>&amp;Edit ...</source>
        <translation>&amp;Bearbeiten ...</translation>
    </message>
    <message>
        <source>Largest frame side</source>
        <translation>Größte Frame-Seite</translation>
    </message>
    <message>
        <source> Pixels</source>
        <translation> Pixel</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>Are you sure to delete all the temporary files?</source>
        <translation>Möchten Sie wirklich alle temporären Dateien löschen?</translation>
    </message>
    <message>
        <source>Delete finished</source>
        <translation>Löschen abgeschlossen</translation>
    </message>
    <message>
        <source>Please set the temporary file folder ...</source>
        <translation>Bitte legen Sie den Ordner für temporäre Dateien fest ...</translation>
    </message>
</context>
<context>
    <name>pictoreel::PlayerWindow</name>
    <message>
        <source>Player</source>
        <translation>Player</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Abspielen</translation>
    </message>
    <message>
        <source>Pa&amp;use</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>&amp;Load File ...</source>
        <translation>&amp;Laden ...</translation>
    </message>
    <message>
        <source>Animated GIF file</source>
        <translation>Animierte GIF-Datei</translation>
    </message>
    <message>
        <source>Animation</source>
        <translation>Animation</translation>
    </message>
    <message>
        <source>Animated GIF</source>
        <translation>Animiertes GIF</translation>
    </message>
    <message>
        <source>Frame number</source>
        <translation>Frame-Nummer</translation>
    </message>
    <message>
        <source>Frame %1 / %2</source>
        <translation>Frame %1 / %2</translation>
    </message>
</context>
<context>
    <name>pictoreel::PreviewWindow</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Preview picture</source>
        <translation>Vorschaubild</translation>
    </message>
    <message>
        <source>Animated GIF</source>
        <translation>Animiertes GIF</translation>
    </message>
</context>
<context>
    <name>pictoreel::PropertyPanel</name>
    <message>
        <source>frame interval</source>
        <translation>Anzeigedauer</translation>
    </message>
    <message>
        <source>width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>height</source>
        <translation>Höhe</translation>
    </message>
    <message>
        <source>loop</source>
        <translation>Wiederholungen</translation>
    </message>
    <message>
        <source>the %1 value must be between %2 and %3, 
please enter a valid value again</source>
        <translation>der Wert für %1 muss zwischen %2 und %3 liegen, 
bitte geben Sie erneut einen gültigen Wert ein</translation>
    </message>
    <message>
        <source>Properties</source>
        <translation>Eigenschaften</translation>
    </message>
    <message>
        <source>Global Properties</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Frame Properties</source>
        <translation>Frame</translation>
    </message>
    <message>
        <source>File Properties</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Breite</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <source>Auto Size</source>
        <translation>Auto</translation>
    </message>
    <message>
        <source>Auto Size Width</source>
        <translation>Breite automatisch</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Höhe</translation>
    </message>
    <message>
        <source>Auto Size Height</source>
        <translation>Höhe automatisch</translation>
    </message>
    <message>
        <source>Loop Times</source>
        <translation>Wiederholungen</translation>
    </message>
    <message>
        <source>Times</source>
        <translation>Mal</translation>
    </message>
    <message>
        <source>Loop Infinitely</source>
        <translation>Endlos</translation>
    </message>
    <message>
        <source>Output File Name</source>
        <translation>Ausgabedatei</translation>
    </message>
    <message>
        <source>Choose the output file</source>
        <translation>Ausgabedatei wählen</translation>
    </message>
    <message>
        <source>Frame Interval</source>
        <translation>Anzeigedauer</translation>
    </message>
    <message>
        <source>1/100 S</source>
        <translation>1/100 s</translation>
    </message>
    <message>
        <source>Players show a delay of 0 or 1 as 10/100 s; 2 is the shortest they show as it is.</source>
        <translation>Player zeigen eine Dauer von 0 oder 1 als 10/100 s; 2 ist die kürzeste, die sie unverändert zeigen.</translation>
    </message>
    <message>
        <source>Transparent</source>
        <translation>Transparent</translation>
    </message>
    <message>
        <source>Transparent Color</source>
        <translation>Transparenzfarbe</translation>
    </message>
    <message>
        <source>Choose the transparent colour</source>
        <translation>Transparenzfarbe wählen</translation>
    </message>
    <message>
        <source>&amp;Apply These Values to the Selected Frame</source>
        <translation>Diese Werte auf den markierten Frame &amp;anwenden</translation>
    </message>
    <message>
        <source>&amp;Apply These Values to All the Frames</source>
        <translation>Diese Werte auf alle Frames an&amp;wenden</translation>
    </message>
    <message>
        <source>Original Width</source>
        <translation>Originalbreite</translation>
    </message>
    <message>
        <source>Original Height</source>
        <translation>Originalhöhe</translation>
    </message>
    <message>
        <source>File Size</source>
        <translation>Dateigröße</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Full Path</source>
        <translation>Vollständiger Pfad</translation>
    </message>
    <message>
        <source> (drawn; its own %1)</source>
        <translation> (gezeichnet; eigene %1)</translation>
    </message>
    <message>
        <source> Pixels</source>
        <translation> Pixel</translation>
    </message>
    <message>
        <source>Fit:</source>
        <translation>Anpassen:</translation>
    </message>
    <message>
        <source>Choose the colour of the bars</source>
        <translation>Farbe der Balken wählen</translation>
    </message>
    <message>
        <source>&amp;Colour ...</source>
        <translation>&amp;Farbe ...</translation>
    </message>
    <message>
        <source>&amp;Transparent</source>
        <translation>&amp;Transparent</translation>
    </message>
    <message>
        <source>Keep aspect ratio</source>
        <translation>Proportional</translation>
    </message>
    <message>
        <source>Quality:</source>
        <translation>Qualität:</translation>
    </message>
    <message>
        <source>default</source>
        <translation>Standard</translation>
    </message>
    <message>
        <source>Quality</source>
        <translation>Qualität</translation>
    </message>
    <message>
        <source>1 to 100: lower makes a smaller GIF; default makes it as without a quality</source>
        <translation>1 bis 100: weniger ergibt ein kleineres GIF; Standard erstellt es wie ohne Qualitätsangabe</translation>
    </message>
    <message>
        <source>none</source>
        <translation>keine</translation>
    </message>
    <message>
        <source>Max size:</source>
        <translation>Höchstgröße:</translation>
    </message>
    <message>
        <source>e.g. 2M</source>
        <translation>z. B. 2M</translation>
    </message>
    <message>
        <source>Bar colour: </source>
        <translation>Balkenfarbe: </translation>
    </message>
    <message>
        <source>Bar colour: transparent</source>
        <translation>Balkenfarbe: transparent</translation>
    </message>
    <message>
        <source>the max size value must be a size in bytes such as 500K or 2M, 
please enter a valid value again</source>
        <translation>die Höchstgröße muss eine Größe in Bytes wie 500K oder 2M sein, 
bitte geben Sie erneut einen gültigen Wert ein</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>Ja</translation>
    </message>
    <message>
        <source>Stretch</source>
        <translation>Strecken</translation>
    </message>
    <message>
        <source>Fit Inside</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Füllen</translation>
    </message>
</context>
<context>
    <name>pictoreel::QtDialogs</name>
    <message>
        <source>Please locate a directory</source>
        <translation>Bitte wählen Sie einen Ordner</translation>
    </message>
</context>
<context>
    <name>pictoreel::RecorderWindow</name>
    <message>
        <source>Record Screen</source>
        <translation>Bildschirm aufnehmen</translation>
    </message>
    <message>
        <source>What to record</source>
        <translation>Was aufgenommen wird</translation>
    </message>
    <message>
        <source>A region of the screen</source>
        <translation>Ein Bereich des Bildschirms</translation>
    </message>
    <message>
        <source>A window</source>
        <translation>Ein Fenster</translation>
    </message>
    <message>
        <source>A whole screen</source>
        <translation>Ein ganzer Bildschirm</translation>
    </message>
    <message>
        <source>&amp;Record:</source>
        <translation>&amp;Aufnehmen:</translation>
    </message>
    <message>
        <source>&amp;Draw Region ...</source>
        <translation>Bereich &amp;zeichnen ...</translation>
    </message>
    <message>
        <source>Window to record</source>
        <translation>Aufzunehmendes Fenster</translation>
    </message>
    <message>
        <source>&amp;Window:</source>
        <translation>&amp;Fenster:</translation>
    </message>
    <message>
        <source>Screen to record</source>
        <translation>Aufzunehmender Bildschirm</translation>
    </message>
    <message>
        <source>%1 (%2 x %3)</source>
        <translation>%1 (%2 x %3)</translation>
    </message>
    <message>
        <source>&amp;Screen:</source>
        <translation>&amp;Bildschirm:</translation>
    </message>
    <message>
        <source>Frames a second</source>
        <translation>Bilder pro Sekunde</translation>
    </message>
    <message>
        <source>&amp;Frames a second:</source>
        <translation>Bilder pro &amp;Sekunde:</translation>
    </message>
    <message>
        <source>Show the mouse &amp;pointer</source>
        <translation>&amp;Mauszeiger zeigen</translation>
    </message>
    <message>
        <source>Show the mouse pointer</source>
        <translation>Mauszeiger zeigen</translation>
    </message>
    <message>
        <source>&amp;Count down 3 seconds first</source>
        <translation>Zuerst 3 Sekunden &amp;Countdown</translation>
    </message>
    <message>
        <source>Count down 3 seconds first</source>
        <translation>Zuerst 3 Sekunden Countdown</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>Recording status</source>
        <translation>Aufnahmestatus</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Aufnehmen</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>Ctrl+Alt+S stops the recording from any window</source>
        <translation>Strg+Alt+S beendet die Aufnahme aus jedem Fenster</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Recording starts in %1 ...</source>
        <translation>Die Aufnahme beginnt in %1 ...</translation>
    </message>
    <message>
        <source>Region %1 x %2 at %3, %4</source>
        <translation>Bereich %1 x %2 bei %3, %4</translation>
    </message>
    <message>
        <source>The one the desktop asks for</source>
        <translation>Das vom Desktop erfragte</translation>
    </message>
    <message>
        <source>Please draw the region to record first.</source>
        <translation>Bitte zeichnen Sie zuerst den aufzunehmenden Bereich.</translation>
    </message>
    <message>
        <source>Please choose what to record first.</source>
        <translation>Bitte wählen Sie zuerst, was aufgenommen werden soll.</translation>
    </message>
    <message>
        <source>Recording starts in 3 ...</source>
        <translation>Die Aufnahme beginnt in 3 ...</translation>
    </message>
    <message>
        <source>The screen could not be recorded.

</source>
        <translation>Der Bildschirm konnte nicht aufgenommen werden.

</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Fortsetzen</translation>
    </message>
    <message>
        <source>%1 %2, %3 frames</source>
        <translation>%1 %2, %3 Frames</translation>
    </message>
    <message>
        <source>Paused at</source>
        <translation>Angehalten bei</translation>
    </message>
    <message>
        <source>Recording</source>
        <translation>Aufnahme</translation>
    </message>
    <message>
        <source>, %1 dropped (the disk is too slow)</source>
        <translation>, %1 verworfen (der Datenträger ist zu langsam)</translation>
    </message>
    <message>
        <source>The recording could not be kept.

</source>
        <translation>Die Aufnahme konnte nicht behalten werden.

</translation>
    </message>
    <message>
        <source>Nothing was kept</source>
        <translation>Nichts wurde behalten</translation>
    </message>
    <message>
        <source>%1 of %2 pictures were dropped because the disk could not keep up; the frames before them last longer.</source>
        <translation>%1 von %2 Bildern wurden verworfen, weil der Datenträger nicht mithalten konnte; die Frames davor werden länger gezeigt.</translation>
    </message>
    <message>
        <source>Start Now</source>
        <translation>Jetzt starten</translation>
    </message>
    <message>
        <source>Where the desktop offers shortcuts to programs, Ctrl+Alt+S (or the key it lets you choose) stops the recording from any window</source>
        <translation>Wo die Arbeitsumgebung Programmen Tastenkürzel anbietet, beendet Strg+Alt+S (oder die Taste, die sie Sie wählen lässt) die Aufnahme aus jedem Fenster</translation>
    </message>
    <message>
        <source>The desktop asks which screen to share when the recording starts</source>
        <translation>Die Arbeitsumgebung fragt beim Start der Aufnahme, welcher Bildschirm freigegeben werden soll</translation>
    </message>
    <message>
        <source>Waiting for the screen to be chosen ...</source>
        <translation>Warten auf die Wahl des Bildschirms ...</translation>
    </message>
</context>
<context>
    <name>pictoreel::RegionOverlay</name>
    <message>
        <source>Draw the region to record</source>
        <translation>Den aufzunehmenden Bereich zeichnen</translation>
    </message>
    <message>
        <source>%1 x %2</source>
        <translation>%1 x %2</translation>
    </message>
    <message>
        <source>Drag over the part of the screen to record; Escape gives up</source>
        <translation>Ziehen Sie über den aufzunehmenden Teil des Bildschirms; Esc bricht ab</translation>
    </message>
</context>
<context>
    <name>pictoreel::SaveFramesDialog</name>
    <message>
        <source>Browse for the %1</source>
        <translation>Durchsuchen: %1</translation>
    </message>
    <message>
        <source>Save Frame(s)</source>
        <translation>Frame(s) speichern</translation>
    </message>
    <message>
        <source>Choose Output Format</source>
        <translation>Ausgabeformat wählen</translation>
    </message>
    <message>
        <source>Output File</source>
        <translation>Ausgabedatei</translation>
    </message>
    <message>
        <source>Output Directory</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Please set a file name to save</source>
        <translation>Bitte legen Sie einen Dateinamen zum Speichern fest</translation>
    </message>
    <message>
        <source>Please set folder to save</source>
        <translation>Bitte legen Sie einen Ordner zum Speichern fest</translation>
    </message>
</context>
<context>
    <name>pictoreel::SpeedDialog</name>
    <message>
        <source>Change Speed</source>
        <translation>Tempo ändern</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Tempo</translation>
    </message>
    <message>
        <source>&amp;Speed:</source>
        <translation>&amp;Tempo:</translation>
    </message>
    <message>
        <source>S&amp;elected frames (%1)</source>
        <translation>&amp;Markierte Frames (%1)</translation>
    </message>
    <message>
        <source>Selected frames</source>
        <translation>Markierte Frames</translation>
    </message>
    <message>
        <source>&amp;All frames (%1)</source>
        <translation>&amp;Alle Frames (%1)</translation>
    </message>
    <message>
        <source>All frames</source>
        <translation>Alle Frames</translation>
    </message>
    <message>
        <source>Delays held at 2/100 s</source>
        <translation>Auf 2/100 s gehaltene Dauern</translation>
    </message>
    <message>
        <source>%1 of the delays would fall under 2/100 s and are held at 2/100 s: players show 0 or 1 as 10/100 s.</source>
        <translation>%1 der Dauern fielen unter 2/100 s und werden auf 2/100 s gehalten: Player zeigen 0 oder 1 als 10/100 s.</translation>
    </message>
</context>
<context>
    <name>pictoreel::VideoFramesDialog</name>
    <message>
        <source>Add Video Frames</source>
        <translation>Video-Frames hinzufügen</translation>
    </message>
    <message>
        <source>Video:</source>
        <translation>Video:</translation>
    </message>
    <message>
        <source>&amp;Start (seconds):</source>
        <translation>&amp;Start (Sekunden):</translation>
    </message>
    <message>
        <source>&amp;Duration (seconds):</source>
        <translation>&amp;Dauer (Sekunden):</translation>
    </message>
    <message>
        <source>to the end</source>
        <translation>bis zum Ende</translation>
    </message>
    <message>
        <source>&amp;Frames a second:</source>
        <translation>&amp;Bilder pro Sekunde:</translation>
    </message>
    <message>
        <source>as the video</source>
        <translation>wie das Video</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>reading ...</source>
        <translation>wird gelesen ...</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Länge</translation>
    </message>
    <message>
        <source>Length:</source>
        <translation>Länge:</translation>
    </message>
    <message>
        <source>Picture at the slider&apos;s time</source>
        <translation>Bild zur Zeit des Schiebereglers</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>From:</source>
        <translation>Von:</translation>
    </message>
    <message>
        <source>To:</source>
        <translation>Bis:</translation>
    </message>
    <message>
        <source> s</source>
        <translation> s</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>Please enter a frame rate above 0 and at most %1, or nothing for the video&apos;s own.</source>
        <translation>Bitte geben Sie eine Bildrate über 0 und höchstens %1 ein, oder nichts für die des Videos.</translation>
    </message>
    <message>
        <source>Please enter a time in seconds, like 2 or 1.5.</source>
        <translation>Bitte geben Sie eine Zeit in Sekunden ein, etwa 2 oder 1.5.</translation>
    </message>
    <message>
        <source>The frames of the video could not be extracted.

</source>
        <translation>Die Frames des Videos konnten nicht extrahiert werden.

</translation>
    </message>
</context>
</TS>
