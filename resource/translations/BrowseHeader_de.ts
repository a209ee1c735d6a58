<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BrowseHeader</name>
    <message><source>Browse SEGY Header</source><translation>SEGY-Spurköpfe ansehen</translation></message>
</context>
<context>
    <name>BrowseHeaderDialog</name>
    <message><source>Browse Segy Header</source><translation>SEGY-Spurköpfe ansehen</translation></message>
    <message><source>Browse SEGY Header</source><translation>SEGY-Spurköpfe ansehen</translation></message>
    <message><source>SEGY file:</source><translation>SEGY-Datei:</translation></message>
    <message><source>&lt;&gt;</source><translation>&lt;&gt;</translation></message>
    <message><source>Custom header1:</source><translation>Eigenes Feld 1:</translation></message>
    <message><source>Custom header2:</source><translation>Eigenes Feld 2:</translation></message>
    <message><source>position</source><translation>Position</translation></message>
    <message><source>bytes</source><translation>Bytes</translation></message>
    <message><source>Fast forward/backward step:</source><translation>Schnellschritt vor/zurück:</translation></message>
    <message><source>( shots )</source><translation>( Schüsse )</translation></message>
    <message><source>OK</source><translation>OK</translation></message>
    <message><source>Cancel</source><translation>Abbrechen</translation></message>
</context>
<context>
    <name>ShowHeaderTable</name>
    <message><source>Browse SEGY Header</source><translation>SEGY-Spurköpfe ansehen</translation></message>
    <message><source>SEGY File:</source><translation>SEGY-Datei:</translation></message>
    <message><source>Number of shots: </source><translation>Anzahl Schüsse: </translation></message>
    <message><source>FFID:</source><translation>FFID:</translation></message>
    <message><source>FFID: </source><translation>FFID: </translation></message>
    <message><source>to start shot</source><translation>zum ersten Schuss</translation></message>
    <message><source>|&lt;</source><translation>|&lt;</translation></message>
    <message><source>fast backward</source><translation>schnell zurück</translation></message>
    <message><source>&lt;&lt;</source><translation>&lt;&lt;</translation></message>
    <message><source>backward</source><translation>zurück</translation></message>
    <message><source>&lt;</source><translation>&lt;</translation></message>
    <message><source>to specified shot</source><translation>zum gewählten Schuss</translation></message>
    <message><source>forward</source><translation>vor</translation></message>
    <message><source>&gt;</source><translation>&gt;</translation></message>
    <message><source>fast forward</source><translation>schnell vor</translation></message>
    <message><source>&gt;&gt;</source><translation>&gt;&gt;</translation></message>
    <message><source>to end shot</source><translation>zum letzten Schuss</translation></message>
    <message><source>&gt;|</source><translation>&gt;|</translation></message>
    <message><source>Forward %1 shots</source><translation>%1 Schüsse vor</translation></message>
    <message><source>Backward %1 shots</source><translation>%1 Schüsse zurück</translation></message>
    <message><source>byte</source><translation>Byte</translation></message>
    <message><source>Copy</source><translation>Kopieren</translation></message>
    <message><source>Next flagged shot</source><translation>Nächster auffälliger Schuss</translation></message>
    <message><source>Previous flagged shot</source><translation>Vorheriger auffälliger Schuss</translation></message>
    <message><source>Go to FFID…</source><translation>Gehe zu FFID…</translation></message>
    <message><source>Go to FFID</source><translation>Gehe zu FFID</translation></message>
    <message><source>Searching for a flagged shot......</source><translation>Auffälliger Schuss wird gesucht......</translation></message>
    <message><source>Flagged shots found so far: %1</source><translation>Bisher gefundene auffällige Schüsse: %1</translation></message>
    <message><source>No flagged shot after this one.</source><translation>Nach diesem kein auffälliger Schuss.</translation></message>
    <message><source>No flagged shot before this one.</source><translation>Vor diesem kein auffälliger Schuss.</translation></message>
    <message><source>Search cancelled.</source><translation>Suche abgebrochen.</translation></message>
    <message><source>FFID %1 is not in the file.</source><translation>FFID %1 kommt in der Datei nicht vor.</translation></message>
</context>
<context>
    <name>QObject</name>
    <message><source>Open</source><translation>Öffnen</translation></message>
    <message><source>Error</source><translation>Fehler</translation></message>
    <message><source>Cancel</source><translation>Abbrechen</translation></message>
    <message><source>Error: fail to open the file: %1</source><translation>Fehler: die Datei lässt sich nicht öffnen: %1</translation></message>
    <message><source>Error: the file holds no traces: %1</source><translation>Fehler: die Datei enthält keine Spuren: %1</translation></message>
    <message><source>Error: fail to create the file: %1</source><translation>Fehler: die Datei lässt sich nicht anlegen: %1</translation></message>
    <message><source>Error: the trace header definition places the FFID or an indexed field outside the 240-byte trace header; no index was written for %1</source><translation>Fehler: die Spurkopfdefinition legt die FFID oder ein indiziertes Feld außerhalb des 240 Byte langen Spurkopfs ab; für %1 wurde kein Index geschrieben</translation></message>
    <message><source>it has no 3600-byte SEG-Y file header</source><translation>sie hat keinen 3600 Byte langen SEG-Y-Dateikopf</translation></message>
    <message><source>its headers are little-endian</source><translation>ihre Köpfe sind Little-Endian</translation></message>
    <message><source>it has extended textual headers after its binary header: %1</source><translation>sie hat erweiterte Textköpfe nach ihrem Binärkopf: %1</translation></message>
    <message><source>each of its traces carries additional trace headers: %1</source><translation>jede ihrer Spuren trägt zusätzliche Spurköpfe: %1</translation></message>
    <message><source>its first trace starts at byte %1</source><translation>ihre erste Spur beginnt bei Byte %1</translation></message>
    <message><source>Error: %1 cannot be read as SEG-Y: %2</source><translation>Fehler: %1 lässt sich nicht als SEG-Y lesen: %2</translation></message>
    <message><source>Error: this viewer reads SEG-Y files whose big-endian traces start at byte 3600, and %1 is not one: %2.
The command-line tool segyhdr reads it: segyhdr dump %1</source><translation>Fehler: diese Ansicht liest SEG-Y-Dateien, deren Big-Endian-Spuren bei Byte 3600 beginnen, und %1 ist keine solche: %2.
Das Kommandozeilenwerkzeug segyhdr liest sie: segyhdr dump %1</translation></message>
    <message><source>Error: can not open file: %1</source><translation>Fehler: die Datei lässt sich nicht öffnen: %1</translation></message>
    <message><source>Cannot open file: %1</source><translation>Die Datei lässt sich nicht öffnen: %1</translation></message>
    <message><source>Error: cannot read traces %1-%2 of the file: %3</source><translation>Fehler: die Spuren %1-%2 der Datei lassen sich nicht lesen: %3</translation></message>
    <message><source>Create SEGY Index......</source><translation>SEGY-Index wird angelegt......</translation></message>
    <message><source>Extracting Shot Index......</source><translation>Schussindex wird gelesen......</translation></message>
    <message><source>( %1 traces )</source><translation>( %1 Spuren )</translation></message>
    <message><source>ffid</source><translation>FFID</translation></message>
    <message><source>channel</source><translation>Kanal</translation></message>
    <message><source>offset</source><translation>Offset</translation></message>
    <message><source>g_elev</source><translation>E_Höhe</translation></message>
    <message><source>s_elev</source><translation>Q_Höhe</translation></message>
    <message><source>s_depth</source><translation>Q_Tiefe</translation></message>
    <message><source>source_x</source><translation>Quelle_x</translation></message>
    <message><source>source_y</source><translation>Quelle_y</translation></message>
    <message><source>group_x</source><translation>Empf_x</translation></message>
    <message><source>group_y</source><translation>Empf_y</translation></message>
    <message><source>s_line</source><translation>Q_Linie</translation></message>
    <message><source>s_stat</source><translation>Q_Statik</translation></message>
    <message><source>g_line</source><translation>E_Linie</translation></message>
    <message><source>g_stat</source><translation>E_Statik</translation></message>
</context>
<context>
    <name>GatherOpener</name>
    <message><source>Show traces</source><translation>Spuren zeigen</translation></message>
</context>
<context>
    <name>GatherPlot</name>
    <message><source>Time (ms)</source><translation>Zeit (ms)</translation></message>
    <message><source>Sample</source><translation>Abtastwert</translation></message>
    <message><source>Channel</source><translation>Kanal</translation></message>
    <message><source>Offset</source><translation>Offset</translation></message>
    <message><source>AGC %1 ms</source><translation>AGC %1 ms</translation></message>
    <message><source>no AGC</source><translation>ohne AGC</translation></message>
    <message><source>LMO %1 m/s</source><translation>LMO %1 m/s</translation></message>
    <message><source>clip %1%</source><translation>Clip %1 %</translation></message>
    <message><source>FFID %1</source><translation>FFID %1</translation></message>
    <message><source>no traces</source><translation>keine Spuren</translation></message>
</context>
<context>
    <name>GatherWindow</name>
    <message><source>Traces</source><translation>Spuren</translation></message>
    <message><source>Grey</source><translation>Grau</translation></message>
    <message><source>Red-white-blue</source><translation>Rot-Weiß-Blau</translation></message>
    <message><source>Wiggles</source><translation>Wiggles</translation></message>
    <message><source> ms</source><translation> ms</translation></message>
    <message><source>none</source><translation>keine</translation></message>
    <message><source> %</source><translation> %</translation></message>
    <message><source> m/s</source><translation> m/s</translation></message>
    <message><source>off</source><translation>aus</translation></message>
    <message><source>Channel</source><translation>Kanal</translation></message>
    <message><source>Offset</source><translation>Offset</translation></message>
    <message><source>Save PNG...</source><translation>Als PNG speichern...</translation></message>
    <message><source>Display:</source><translation>Darstellung:</translation></message>
    <message><source>AGC:</source><translation>AGC:</translation></message>
    <message><source>Clip:</source><translation>Clip:</translation></message>
    <message><source>Time:</source><translation>Zeit:</translation></message>
    <message><source>to</source><translation>bis</translation></message>
    <message><source>Moveout velocity:</source><translation>Moveout-Geschwindigkeit:</translation></message>
    <message><source>Label:</source><translation>Beschriftung:</translation></message>
    <message><source>Cannot show the traces of %1: %2</source><translation>Die Spuren von %1 lassen sich nicht zeigen: %2</translation></message>
    <message><source>Traces of FFID %1</source><translation>Spuren der FFID %1</translation></message>
    <message><source>Save the traces as PNG</source><translation>Spuren als PNG speichern</translation></message>
    <message><source>PNG images (*.png)</source><translation>PNG-Bilder (*.png)</translation></message>
</context>
</TS>
