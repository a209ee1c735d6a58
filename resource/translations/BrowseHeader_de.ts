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
    <message><source>FFID: </source><translation>FFID: </translation></message>
    <message><source>to start shot</source><translation>zum ersten Schuss</translation></message>
    <message><source>fast backward</source><translation>schnell zurück</translation></message>
    <message><source>backward</source><translation>zurück</translation></message>
    <message><source>to specified shot</source><translation>zum gewählten Schuss</translation></message>
    <message><source>forward</source><translation>vor</translation></message>
    <message><source>fast forward</source><translation>schnell vor</translation></message>
    <message><source>to end shot</source><translation>zum letzten Schuss</translation></message>
    <message><source>Forward %1 shots</source><translation>%1 Schüsse vor</translation></message>
    <message><source>Backward %1 shots</source><translation>%1 Schüsse zurück</translation></message>
    <message><source>byte</source><translation>Byte</translation></message>
    <message><source>Copy</source><translation>Kopieren</translation></message>
</context>
<context>
    <name>QObject</name>
    <message><source>Open</source><translation>Öffnen</translation></message>
    <message><source>Error</source><translation>Fehler</translation></message>
    <message><source>Error: fail to open the file: %1</source><translation>Fehler: die Datei lässt sich nicht öffnen: %1</translation></message>
    <message><source>Error: fail to create the file: %1</source><translation>Fehler: die Datei lässt sich nicht anlegen: %1</translation></message>
    <message><source>Error: can not open file: %1</source><translation>Fehler: die Datei lässt sich nicht öffnen: %1</translation></message>
    <message><source>Cannot open file: %1</source><translation>Die Datei lässt sich nicht öffnen: %1</translation></message>
    <message><source>Create SEGY Index......</source><translation>SEGY-Index wird angelegt......</translation></message>
    <message><source>Extracting Shot Index......</source><translation>Schussindex wird gelesen......</translation></message>
    <message><source>( %1 traces )</source><translation>( %1 Spuren )</translation></message>
</context>
</TS>
